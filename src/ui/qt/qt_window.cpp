#include "ui/qt/qt_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegion>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <cmath>

#include "ui/gdi/icon_file.h"
#include "ui/qt/portal_screenshot.h"
#include "ui/qt/qt_screens.h"
#include "ui/qt/x11_target.h"
#include "ui/runtime/errors.h"

namespace grinzo::qt {

namespace {

using forms::ControlKind;

QColor colorOf(gdi::Pixel p) { return QColor(gdi::red(p), gdi::green(p), gdi::blue(p)); }

int toPixels(double twips, double twipsPerPixel) {
  return static_cast<int>(std::lround(twips / twipsPerPixel));
}

QString qs(const std::string& text) { return QString::fromStdString(text); }

// A view of the surface's pixels (0x00RRGGBB, rows top-down): no copy.
QImage viewOf(const gdi::Bitmap& image) {
  return QImage(reinterpret_cast<const uchar*>(image.pixels.data()), image.width, image.height,
                image.width * 4, QImage::Format_RGB32);
}

// A caption with its mnemonic underlined, as rich text for a label ("&&" is a
// literal ampersand).
QString labelText(const std::string& caption) {
  const QString text = qs(caption);
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) {
      ++i;
      const QString next = QString(text[i]).toHtmlEscaped();
      out += text[i] == u'&' ? next : "<u>" + next + "</u>";
      continue;
    }
    out += QString(text[i]).toHtmlEscaped();
  }
  return out;
}

QPixmap programIconPixmap(int size) {
  const images::IconImage& icon = images::programIcon(size);
  QImage image(icon.width, icon.height, QImage::Format_ARGB32);
  for (int y = 0; y < icon.height; ++y) {
    for (int x = 0; x < icon.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * icon.width + x);
      const gdi::Pixel p = icon.palette[icon.indices[i] & 0x0F];
      image.setPixel(x, y, icon.transparent[i] ? 0u : (0xFF000000u | p));
    }
  }
  return QPixmap::fromImage(image);
}

}  // namespace

// --- The widgets ---------------------------------------------------------------

// A picture surface: the program icon, or the control's own drawing surface.
class PictureWidget final : public QWidget {
 public:
  PictureWidget(QWidget* parent, const forms::Control& control)
      : QWidget(parent), control_(&control) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const forms::PictureContent& picture = control_->layout().picture;
    if (picture.programIconSize > 0) {
      painter.drawPixmap(0, 0, programIconPixmap(picture.programIconSize));
    } else if (const gdi::Bitmap* image = gdi::SurfacePixels(control_->hDC())) {
      painter.drawImage(0, 0, viewOf(*image));
    }
  }

 private:
  const forms::Control* control_;
};

class FormWidget final : public QWidget {
 public:
  explicit FormWidget(QtWindow& window) : window_(&window) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
  }
  // The window object is gone; the widget only waits for its deletion.
  void detach() { window_ = nullptr; }

 protected:
  // Presses on the controls: the core moves the focus first.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!window_) return false;
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick) {
      return false;
    }
    QtWindow::Peer* peer = window_->peerOf(watched);
    return peer && !window_->mousePressOnControl(*peer);
  }
  void paintEvent(QPaintEvent*) override {
    if (!window_) return;
    QPainter painter(this);
    const forms::Form& form = window_->form();
    if (form.layout().autoRedraw && window_->image()) {
      // The persistent image covers the client area: nothing else to paint.
      // One of its pixels on one of the screen's, whatever Qt's scale.
      QImage image = viewOf(*window_->image());
      image.setDevicePixelRatio(window_->deviceRatio());
      painter.drawImage(0, 0, image);
      // The picture's spare top byte is 0 where Qt reads alpha, and a
      // backing store with an alpha channel (Wayland's) would show the
      // desktop through the game: made opaque in the one pass.
      painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
      painter.fillRect(rect(), Qt::black);
      painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    for (const auto& peer : window_->peers()) {
      const forms::Control& c = *peer->control;
      if (c.kind() != ControlKind::Line || !c.visible()) continue;
      const forms::ControlLayout& l = c.layout();
      const int x1 = toPixels(l.x1, window_->twipsPerPixelX());
      const int y1 = toPixels(l.y1, window_->twipsPerPixelY());
      const int x2 = toPixels(l.x2, window_->twipsPerPixelX());
      const int y2 = toPixels(l.y2, window_->twipsPerPixelY());
      const int width = std::max(1, l.lineWidthPixels);
      const QColor colour = colorOf(l.foreColour.value_or(gdi::rgb(0, 0, 0)));
      if (y1 == y2 || x1 == x2) {
        // Straight lines grow downwards (or to the right) from their coordinates.
        const QRect r = y1 == y2 ? QRect(std::min(x1, x2), y1, std::abs(x2 - x1), width)
                                 : QRect(x1, std::min(y1, y2), width, std::abs(y2 - y1));
        painter.fillRect(r, colour);
      } else {
        painter.setPen(QPen(colour, width));
        painter.drawLine(x1, y1, x2, y2);
      }
    }
  }
  void mousePressEvent(QMouseEvent* e) override { mouse(forms::EventKind::MouseDown, e); }
  void mouseDoubleClickEvent(QMouseEvent* e) override { mouse(forms::EventKind::MouseDown, e); }
  void mouseReleaseEvent(QMouseEvent* e) override { mouse(forms::EventKind::MouseUp, e); }
  void mouseMoveEvent(QMouseEvent* e) override { mouse(forms::EventKind::MouseMove, e); }
  void keyPressEvent(QKeyEvent* e) override {
    if (!window_) return;
    const QString text = e->text();
    if (text.isEmpty() || text.at(0).unicode() > 0x7FFF) return;
    window_->keyPress(text.at(0).unicode());
  }
  void closeEvent(QCloseEvent* e) override {
    // The form decides; when it unloads, the window is taken down with it.
    e->ignore();
    if (window_) window_->closeRequested();
  }

 private:
  static int buttonsOf(Qt::MouseButtons buttons) {
    return ((buttons & Qt::LeftButton) ? forms::kLeftButton : 0) |
           ((buttons & Qt::RightButton) ? forms::kRightButton : 0) |
           ((buttons & Qt::MiddleButton) ? forms::kMiddleButton : 0);
  }
  void mouse(forms::EventKind kind, QMouseEvent* e) {
    if (!window_) return;
    const int button =
        kind == forms::EventKind::MouseMove ? buttonsOf(e->buttons()) : buttonsOf(e->button());
    if (kind != forms::EventKind::MouseMove && button == 0) return;
    const double ratio = window_->deviceRatio();
    window_->mouseEvent(kind, button, buttonsOf(e->buttons()), e->modifiers(),
                        QPoint(static_cast<int>(std::floor(e->position().x() * ratio)),
                               static_cast<int>(std::floor(e->position().y() * ratio))));
  }

  QtWindow* window_;
};

// A black full-screen surface on an output where the game does not play
// (Wayland, where one window cannot span outputs): the live desktop stays
// hidden, and keys typed there reach the game.
class CoverWidget final : public QWidget {
 public:
  explicit CoverWidget(QtWindow& game) : game_(&game) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
  }

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::black); }
  void keyPressEvent(QKeyEvent* e) override {
    const QString text = e->text();
    if (!text.isEmpty() && text.at(0).unicode() <= 0x7FFF) game_->keyPress(text.at(0).unicode());
  }
  void closeEvent(QCloseEvent* e) override { e->ignore(); }

 private:
  QtWindow* game_;
};

// --- Creation ----------------------------------------------------------------

QtWindow::QtWindow(forms::WindowRegistry& windows, forms::Form& form,
                   std::optional<gdi::Size> windowed)
    : windows_(&windows), form_(&form) {
  const forms::FormLayout& layout = form.layout();
  twipsPerPixelX_ = screens::twipsPerPixelX();
  twipsPerPixelY_ = screens::twipsPerPixelY();
  widget_ = std::make_unique<FormWidget>(*this);
  widget_->setWindowTitle(qs(form.caption()));
  const QSize client(toPixels(layout.clientWidth, twipsPerPixelX_),
                     toPixels(layout.clientHeight, twipsPerPixelY_));
  Qt::WindowFlags flags = Qt::Window;
  if (layout.border != forms::BorderStyle::None) windowed.reset();
  if (layout.border == forms::BorderStyle::None && !windowed) {
    flags |= Qt::FramelessWindowHint;
  } else {
    // A fixed frame: no minimise or maximise box.
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (layout.controlBox) flags |= Qt::WindowCloseButtonHint;
    if (!windowed) flags |= Qt::MSWindowsFixedSizeDialogHint;
  }
  widget_->setWindowFlags(flags);
  devicePixels_ = layout.autoRedraw && layout.border == forms::BorderStyle::None;
  if (windowed) {
    fixedBounds_ = ui::PixelRect{0, 0, windowed->width, windowed->height};
    widget_->resize(toQt(*windowed));
  } else {
    widget_->resize(client);
    if (layout.border != forms::BorderStyle::None) widget_->setFixedSize(client);
  }
  if (layout.startPosition == forms::StartPosition::Manual) {
    widget_->move(toPixels(layout.left, twipsPerPixelX_), toPixels(layout.top, twipsPerPixelY_));
  }
  // The layouts are designed around an 8-point sans-serif dialog font of
  // Arial's widths.
  QFont font = widget_->font();
  font.setFamilies({"Liberation Sans", "Arial", "Nimbus Sans", font.family()});
  font.setPointSize(8);
  widget_->setFont(font);
  QPalette palette = widget_->palette();
  if (layout.backColour) {
    palette.setColor(QPalette::Window, colorOf(*layout.backColour));
    widget_->setAutoFillBackground(true);
  }
  widget_->setPalette(palette);
  if (layout.hasIcon) widget_->setWindowIcon(QIcon(programIconPixmap(32)));
  // The game window paints every pixel itself.
  if (layout.autoRedraw) widget_->setAttribute(Qt::WA_OpaquePaintEvent);

  for (const auto& control : form.controls()) {
    auto peer = std::make_unique<Peer>();
    peer->control = control.get();
    createControl(*peer);
    peers_.push_back(std::move(peer));
  }
  windows.opened(*this);
}

QRect QtWindow::pixels(const forms::ControlLayout& l) const {
  return QRect(toPixels(l.left, twipsPerPixelX_), toPixels(l.top, twipsPerPixelY_),
               toPixels(l.width, twipsPerPixelX_), toPixels(l.height, twipsPerPixelY_));
}

void QtWindow::createControl(Peer& peer) {
  forms::Control& c = *peer.control;
  const forms::ControlLayout& l = c.layout();
  QWidget* w = nullptr;
  switch (l.kind) {
    case ControlKind::Label: {
      auto* label = new QLabel(widget_.get());
      label->setTextFormat(Qt::RichText);
      label->setText(labelText(c.caption()));
      label->setWordWrap(l.wordWrap);
      const Qt::Alignment horizontal = l.align == forms::TextAlign::Centre  ? Qt::AlignHCenter
                                       : l.align == forms::TextAlign::Right ? Qt::AlignRight
                                                                            : Qt::AlignLeft;
      label->setAlignment(horizontal | Qt::AlignTop);
      // The layout's text colour on the window's own colour, as on Windows.
      QPalette p = label->palette();
      if (l.foreColour) p.setColor(QPalette::WindowText, colorOf(*l.foreColour));
      if (const auto& back = c.form().layout().backColour) {
        p.setColor(QPalette::Window, colorOf(*back));
        label->setAutoFillBackground(true);
      }
      label->setPalette(p);
      // Labels over the game's picture let the mouse through to the window.
      label->setAttribute(Qt::WA_TransparentForMouseEvents);
      w = label;
      break;
    }
    case ControlKind::TextBox: {
      auto* box = new QLineEdit(qs(c.text()), widget_.get());
      QObject::connect(box, &QLineEdit::textEdited,
                       [this, &peer](const QString& text) { textEdited(peer, text); });
      w = box;
      break;
    }
    case ControlKind::CheckBox: {
      auto* box = new QCheckBox(qs(forms::stripMnemonic(c.caption())), widget_.get());
      box->setChecked(c.value() != 0);
      QObject::connect(box, &QCheckBox::clicked, [this, &peer] { controlClicked(peer); });
      w = box;
      break;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(qs(forms::stripMnemonic(c.caption())), widget_.get());
      button->setAutoDefault(false);
      button->setDefault(l.isDefault);
      QObject::connect(button, &QPushButton::clicked, [this, &peer] { controlClicked(peer); });
      w = button;
      break;
    }
    case ControlKind::Picture:
      w = new PictureWidget(widget_.get(), c);
      if (l.border) w->setStyleSheet("border: 2px inset gray;");
      break;
    case ControlKind::Timer:
      peer.timer = new QTimer(widget_.get());
      QObject::connect(peer.timer, &QTimer::timeout, [this, &peer] { onTimer(peer); });
      if (c.timerEnabled() && c.interval() > 0) peer.timer->start(c.interval());
      return;
    case ControlKind::Line:
      return;  // painted by the window
  }
  QRect geometry = pixels(l);
  if (auto* label = qobject_cast<QLabel*>(w)) {
    // A label one line high never wraps, and grows to its text where our
    // font runs a little wider than the one it was designed with.
    if (geometry.height() < 2 * label->fontMetrics().lineSpacing()) {
      label->setWordWrap(false);
      geometry.setWidth(std::max(geometry.width(), label->sizeHint().width()));
    }
  }
  w->setGeometry(geometry);
  // The core moves the focus; a press asks it first (see the platform's filter).
  w->setFocusPolicy(Qt::NoFocus);
  w->setVisible(c.visible());
  w->setEnabled(c.enabled());
  w->installEventFilter(widget_.get());
  peer.widget = w;
}

// The widget may be in the middle of delivering the event that unloaded the
// form: it is cut off from this object at once and deleted later.
QtWindow::~QtWindow() {
  *alive_ = false;
  windows_->closing(*this);
  foreignEvents_.reset();
  for (const auto& peer : peers_) {
    if (peer->timer) {
      peer->timer->stop();
      peer->timer->disconnect();
    }
    if (peer->widget) peer->widget->disconnect();
  }
  foreign_.reset();
  covers_.clear();
  widget_->detach();
  widget_->hide();
  widget_.release()->deleteLater();
}

QWidget* QtWindow::widget() const { return widget_.get(); }

QtWindow::Peer* QtWindow::peerOf(const QObject* widget) const {
  for (const auto& p : peers_) {
    if (p->widget && p->widget == widget) return p.get();
  }
  return nullptr;
}

QtWindow::Peer* QtWindow::peerOf(const forms::Control& control) const {
  for (const auto& p : peers_) {
    if (p->control == &control) return p.get();
  }
  return nullptr;
}

// --- ui::NativeWindow ----------------------------------------------------------

ui::WindowHandle QtWindow::handle() const {
  if (foreign_) return static_cast<ui::WindowHandle>(foreign_->window());
  return static_cast<ui::WindowHandle>(widget_->winId());
}

void QtWindow::setCaption(const std::string& caption) { widget_->setWindowTitle(qs(caption)); }

void QtWindow::setBounds(const ui::PixelRect& outer) {
  if (foreign_) return;  // the host decides
  if (fixedBounds_) {
    // An ordinary window: the system places it; only its client size counts.
    fixedBounds_ = outer;
    widget_->resize(toQt({outer.width, outer.height}));
    return;
  }
  if (devicePixels_) {
    // Wayland places no window: the game's full screen is the output's.
    if (!screens::onWayland()) widget_->setGeometry(screens::toQt(outer));
    return;
  }
  const QPoint origin = screens::primaryOrigin();
  widget_->setGeometry(outer.left + origin.x(), outer.top + origin.y(), outer.width, outer.height);
}

double QtWindow::deviceRatio() const {
  return devicePixels_ && widget_ ? widget_->devicePixelRatioF() : 1.0;
}

QSize QtWindow::toQt(gdi::Size device) const {
  const double ratio = deviceRatio();
  return QSize(static_cast<int>(std::ceil(device.width / ratio)),
               static_cast<int>(std::ceil(device.height / ratio)));
}

ui::PixelRect QtWindow::bounds() const {
  if (foreign_) return {0, 0, foreign_->size().width, foreign_->size().height};
  if (fixedBounds_) return *fixedBounds_;
  if (devicePixels_ && screens::onWayland()) {
    const gdi::Size size = clientSize();
    return {0, 0, size.width, size.height};
  }
  const QRect frame = widget_->frameGeometry();
  if (devicePixels_) return screens::fromQt(frame);
  const QPoint origin = screens::primaryOrigin();
  return {frame.x() - origin.x(), frame.y() - origin.y(), frame.width(), frame.height()};
}

gdi::Size QtWindow::clientSize() const {
  if (foreign_) return foreign_->size();
  const double ratio = deviceRatio();
  return {static_cast<int>(std::lround(widget_->width() * ratio)),
          static_cast<int>(std::lround(widget_->height() * ratio))};
}

void QtWindow::setVisible(bool visible) {
  if (foreign_) return;
  if (!visible) {
    covers_.clear();
    widget_->hide();
    return;
  }
  if (devicePixels_ && !fixedBounds_ && screens::onWayland()) {
    showFullScreenOnWayland();
  } else {
    widget_->show();
  }
  widget_->raise();
  widget_->activateWindow();
  focusChanged(form_->activeControl());
}

bool QtWindow::visible() const { return foreign_ ? true : widget_->isVisible(); }

void QtWindow::setEnabled(bool enabled) { widget_->setEnabled(enabled); }

bool QtWindow::isEnabled() const { return widget_->isEnabled(); }

// A real full-screen surface on the primary output, opaque and undecorated,
// and a black one on every other output, shown first so that the game's
// takes the keyboard.
void QtWindow::showFullScreenOnWayland() {
  QScreen* primary = QGuiApplication::primaryScreen();
  covers_.clear();
  for (QScreen* s : QGuiApplication::screens()) {
    if (s == primary) continue;
    auto cover = std::make_unique<CoverWidget>(*this);
    cover->setScreen(s);
    cover->setGeometry(s->geometry());
    cover->showFullScreen();
    covers_.push_back(std::move(cover));
  }
  if (primary) {
    widget_->setScreen(primary);
    widget_->setGeometry(primary->geometry());
  }
  widget_->showFullScreen();
}

void QtWindow::setTopmost(bool topmost) {
  // Nothing stacks above a full-screen surface on Wayland but what the
  // compositor wants; changing the flags would only remake the surface.
  if (foreign_ || (devicePixels_ && screens::onWayland())) return;
  const bool shown = widget_->isVisible();
  widget_->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
  // Changing the flags hides the window.
  if (shown) {
    widget_->show();
    widget_->raise();
    widget_->activateWindow();
  }
}

bool QtWindow::embedInto(ui::WindowHandle host, gdi::Size) {
  std::unique_ptr<X11Target> target = X11Target::open(static_cast<std::uint64_t>(host));
  if (!target) return false;
  widget_->hide();
  foreign_ = std::move(target);
  foreignEvents_ = std::make_unique<QSocketNotifier>(foreign_->connection(), QSocketNotifier::Read);
  QObject::connect(foreignEvents_.get(), &QSocketNotifier::activated, [this] { pollForeign(); });
  if (const gdi::Bitmap* now = image()) foreign_->draw(*now);
  return true;
}

void QtWindow::setPointer(const gdi::IconEntry* icon) {
  if (!icon) {
    widget_->unsetCursor();
    return;
  }
  QImage image(icon->width, icon->height, QImage::Format_ARGB32);
  for (int y = 0; y < icon->height; ++y) {
    for (int x = 0; x < icon->width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * icon->width + x);
      image.setPixel(x, y, icon->transparent[i] ? 0u : (0xFF000000u | icon->pixels.pixels[i]));
    }
  }
  // At the screen's own pixels too; the hot spot is in Qt's units.
  const double ratio = deviceRatio();
  image.setDevicePixelRatio(ratio);
  const gdi::HotSpot hot = gdi::IconHotSpot(icon->width, icon->height);
  widget_->setCursor(QCursor(QPixmap::fromImage(image), static_cast<int>(hot.x / ratio),
                             static_cast<int>(hot.y / ratio)));
}

void QtWindow::present(const gdi::Bitmap& image, const gdi::ChangedArea& changed) {
  image_ = &image;
  if (foreign_) {
    foreign_->draw(image);
    return;
  }
  // A cover's first paints may go to buffers that the compositor then
  // drops while it sets the surface up (seen on sway): painted with every
  // frame for the first seconds, then now and then, which costs little
  // next to the game's own frames.
  if (!covers_.empty() && (coverFrames_++ < 300 || coverFrames_ % 30 == 0)) {
    for (const auto& cover : covers_) cover->update();
  }
  // Painted from the surface itself at the next paint event, which the
  // message processing of the next frame delivers. Only what changed is
  // painted and sent to the display: ten faces on a full-screen picture
  // change a few thousand pixels a frame, not millions.
  if (!widget_->isVisible()) return;
  if (changed.all) {
    widget_->update();
    return;
  }
  // The rectangles are in the image's (device) pixels; the widget counts
  // Qt's scaled ones: each is widened to whole scaled pixels.
  const double ratio = deviceRatio();
  QRegion region;
  for (const gdi::Rect& r : changed.rects) {
    const int left = static_cast<int>(std::floor(r.x / ratio));
    const int top = static_cast<int>(std::floor(r.y / ratio));
    const int right = static_cast<int>(std::ceil((r.x + r.width) / ratio));
    const int bottom = static_cast<int>(std::ceil((r.y + r.height) / ratio));
    region += QRect(left, top, right - left, bottom - top);
  }
  if (!region.isEmpty()) widget_->update(region);
}

void QtWindow::pollForeign() {
  if (!foreign_ || hostGone_) return;
  const gdi::Size before = foreign_->size();
  if (!foreign_->poll()) {
    // Told once: the form refuses the first request while its loop runs,
    // and that loop then ends it.
    hostGone_ = true;
    foreignEvents_->setEnabled(false);
    guarded([&] { form_->hostWindowGone(); });  // this object may be gone now
    return;
  }
  if (foreign_->size() != before) {
    const gdi::Size size = foreign_->size();
    guarded([&] { form_->setBoundsPixels({0, 0, size.width, size.height}); });
  }
}

void QtWindow::controlChanged(const forms::Control& control, ui::ControlProperty what) {
  Peer* peer = peerOf(control);
  if (!peer) return;
  QWidget* w = peer->widget;
  switch (what) {
    case ui::ControlProperty::Caption:
      if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(labelText(control.caption()));
      } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(qs(forms::stripMnemonic(control.caption())));
      }
      break;
    case ui::ControlProperty::Visible:
      if (w) {
        w->setVisible(control.visible());
      } else {
        widget_->update();  // a line
      }
      break;
    case ui::ControlProperty::Enabled:
      if (w) w->setEnabled(control.enabled());
      break;
    case ui::ControlProperty::Text:
      if (auto* box = qobject_cast<QLineEdit*>(w); box && box->text() != qs(control.text())) {
        box->setText(qs(control.text()));
      }
      break;
    case ui::ControlProperty::Selection:
      if (auto* box = qobject_cast<QLineEdit*>(w)) {
        const QString before = qs(control.text().substr(
            0, std::min<std::size_t>(control.text().size(),
                                     static_cast<std::size_t>(control.selStart()))));
        const QString selected = qs(control.selectedText());
        box->setSelection(static_cast<int>(before.size()), static_cast<int>(selected.size()));
      }
      break;
    case ui::ControlProperty::Value:
      if (auto* box = qobject_cast<QCheckBox*>(w)) box->setChecked(control.value() != 0);
      break;
    case ui::ControlProperty::Timer:
      if (peer->timer) {
        if (control.timerEnabled() && control.interval() > 0) {
          peer->timer->start(control.interval());
        } else {
          peer->timer->stop();
        }
      }
      break;
    case ui::ControlProperty::Geometry:
      if (w) w->setGeometry(pixels(control.layout()));
      break;
  }
}

void QtWindow::focusChanged(const forms::Control* control) {
  Peer* peer = control ? peerOf(*control) : nullptr;
  // The focused button, or else the layout's default button, is the default.
  const bool onButton = control && control->kind() == ControlKind::Button;
  for (const auto& p : peers_) {
    if (auto* button = qobject_cast<QPushButton*>(p->widget)) {
      button->setDefault(onButton ? p->control == control : p->control->layout().isDefault);
    }
  }
  if (!widget_->isVisible() || foreign_) return;  // taken up when shown
  QWidget* target = peer && peer->widget ? peer->widget : widget_.get();
  if (target->hasFocus()) return;
  syncingFocus_ = true;
  target->setFocus(Qt::OtherFocusReason);
  syncingFocus_ = false;
}

// --- Events --------------------------------------------------------------------

void QtWindow::deferError(std::exception_ptr error) { windows_->defer(std::move(error)); }

void QtWindow::mouseEvent(forms::EventKind kind, int button, int, Qt::KeyboardModifiers modifiers,
                          QPoint position) {
  if (foreign_) return;
  forms::EventArgs args{.kind = kind};
  args.button = static_cast<std::int16_t>(button);
  args.shift = static_cast<std::int16_t>(((modifiers & Qt::ShiftModifier) ? 1 : 0) |
                                         ((modifiers & Qt::ControlModifier) ? 2 : 0) |
                                         ((modifiers & Qt::AltModifier) ? 4 : 0));
  args.x = static_cast<float>(position.x());
  args.y = static_cast<float>(position.y());
  guarded([&] { form_->dispatch(args); });
}

void QtWindow::keyPress(int character) {
  if (foreign_) return;
  forms::EventArgs args{.kind = forms::EventKind::KeyPress};
  args.keyAscii = static_cast<std::int16_t>(character & 0x7FFF);
  guarded([&] { form_->dispatch(args); });
}

void QtWindow::closeRequested() {
  guarded([&] { form_->unload(forms::UnloadMode::FormControlMenu); });
}

void QtWindow::controlClicked(Peer& peer) {
  forms::Control& control = *peer.control;
  // The check box is not automatic: the core toggles it when the click happens.
  if (auto* box = qobject_cast<QCheckBox*>(peer.widget)) box->setChecked(control.value() != 0);
  guarded([&] { form_->clickControl(control); });
}

void QtWindow::textEdited(Peer& peer, const QString& text) {
  const std::string value = text.toStdString();
  if (value != peer.control->text()) guarded([&] { peer.control->setText(value); });
}

// A press on a control moves the focus there first; a text box that refuses
// to let it go swallows the press. True when the press may go on.
bool QtWindow::mousePressOnControl(Peer& peer) {
  forms::Control& control = *peer.control;
  if (!control.canFocus() || form_->activeControl() == &control) return true;
  bool moved = false;
  if (!guarded([&] { moved = form_->setFocus(control); })) return false;
  return moved;
}

void QtWindow::onTimer(Peer& peer) {
  // A handler that processes messages (the game loop) must not be re-entered,
  // and may unload the window before it returns.
  if (peer.ticking || !peer.control->timerEnabled() || waitingForPortal()) return;
  peer.ticking = true;
  const std::shared_ptr<bool> alive = alive_;
  forms::EventArgs args{.kind = forms::EventKind::Timer, .control = peer.control};
  guarded([&] { form_->dispatch(args); });
  if (*alive) peer.ticking = false;
}

}  // namespace grinzo::qt
