#include "ui/qt/qt_dialog_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "ui/forms/dialog_keys.h"
#include "ui/qt/qt_window.h"

namespace grinzo::qt {

namespace {

// The key as the dialogs know it; nullopt for keys that are never theirs.
std::optional<forms::DialogKey> dialogKeyOf(const QKeyEvent& key) {
  using Kind = forms::DialogKey::Kind;
  const Qt::KeyboardModifiers mods = key.modifiers();
  forms::DialogKey k{.shift = (mods & Qt::ShiftModifier) != 0,
                     .ctrl = (mods & Qt::ControlModifier) != 0,
                     .alt = (mods & Qt::AltModifier) != 0};
  const int code = key.key();
  if (code == Qt::Key_Tab || code == Qt::Key_Backtab) {
    k.kind = Kind::Tab;
    k.shift = k.shift || code == Qt::Key_Backtab;
  } else if (code == Qt::Key_Return || code == Qt::Key_Enter) {
    k.kind = Kind::Enter;
  } else if (code == Qt::Key_Escape) {
    k.kind = Kind::Escape;
  } else if (code >= Qt::Key_A && code <= Qt::Key_Z) {
    k.character = static_cast<char>('A' + (code - Qt::Key_A));
  } else if (code >= Qt::Key_0 && code <= Qt::Key_9) {
    k.character = static_cast<char>('0' + (code - Qt::Key_0));
  } else {
    return std::nullopt;
  }
  return k;
}

}  // namespace

DialogKeyFilter::DialogKeyFilter(const forms::WindowRegistry& windows) : windows_(&windows) {
  qApp->installEventFilter(this);
}

DialogKeyFilter::~DialogKeyFilter() {
  if (qApp) qApp->removeEventFilter(this);
}

bool DialogKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || (!widget->isWindow() && !widget->hasFocus())) return false;
  const std::optional<forms::DialogKey> key = dialogKeyOf(*static_cast<QKeyEvent*>(event));
  if (!key) return false;
  for (ui::NativeWindow* native : windows_->windows()) {
    auto* window = static_cast<QtWindow*>(native);
    if (window->widget() != widget->window()) continue;
    bool taken = false;
    window->guarded([&] { taken = forms::takeDialogKey(window->form(), *key); });
    return taken;
  }
  return false;
}

}  // namespace grinzo::qt
