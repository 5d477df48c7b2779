#include "ui/headless/headless_platform.h"

#include <algorithm>
#include <cmath>

#include "ui/forms/dialog_keys.h"

namespace grinzo::headless {

namespace {

bool hasFrame(const forms::Form& form) { return form.layout().border != forms::BorderStyle::None; }

// A typed character as the key that typed it: Tab, Enter and Esc are keys of
// their own, as on a real keyboard.
forms::DialogKey dialogKeyOf(std::int16_t character) {
  using Kind = forms::DialogKey::Kind;
  switch (character) {
    case 9:
      return {.kind = Kind::Tab};
    case 13:
      return {.kind = Kind::Enter};
    case 27:
      return {.kind = Kind::Escape};
    default:
      return {.character = character > 0 && character < 128 ? static_cast<char>(character) : '\0'};
  }
}

}  // namespace

// --- HeadlessWindow ------------------------------------------------------------

HeadlessWindow::HeadlessWindow(HeadlessPlatform& platform, forms::Form& form,
                               ui::WindowHandle handle)
    : platform_(&platform), form_(&form), handle_(handle) {
  const forms::FormLayout& layout = form.layout();
  const ui::ScreenMetrics screen = platform.screen();
  const int clientW = static_cast<int>(std::lround(layout.clientWidth / screen.twipsPerPixelX));
  const int clientH = static_cast<int>(std::lround(layout.clientHeight / screen.twipsPerPixelY));
  const int frameX = hasFrame(form) ? kFrame : 0;
  const int frameTop = hasFrame(form) ? kFrame + kTitleBar : 0;
  int left = 40;
  int top = 40;
  if (layout.startPosition == forms::StartPosition::Manual) {
    left = static_cast<int>(std::lround(layout.left / screen.twipsPerPixelX)) - frameX;
    top = static_cast<int>(std::lround(layout.top / screen.twipsPerPixelY)) - frameTop;
  }
  bounds_ = {left, top, clientW + 2 * frameX, clientH + frameTop + frameX};
}

HeadlessWindow::~HeadlessWindow() { platform_->forget(this); }

gdi::Size HeadlessWindow::clientSize() const {
  const int frameX = hasFrame(*form_) ? kFrame : 0;
  const int frameTop = hasFrame(*form_) ? kFrame + kTitleBar : 0;
  return {std::max(0, bounds_.width - 2 * frameX), std::max(0, bounds_.height - frameTop - frameX)};
}

void HeadlessWindow::setVisible(bool visible) {
  if (visible && !visible_) platform_->requestRepaint(this);
  visible_ = visible;
}

bool HeadlessWindow::embedInto(ui::WindowHandle host, gdi::Size size) {
  if (!platform_->hostClientSize(host)) return false;
  parent_ = host;
  topmost_ = false;
  bounds_ = {0, 0, size.width, size.height};
  setVisible(true);
  return true;
}

void HeadlessWindow::present(const gdi::Bitmap&, const gdi::ChangedArea&) { ++presents_; }

void HeadlessWindow::controlChanged(const forms::Control& control, ui::ControlProperty what) {
  if (what == ui::ControlProperty::Timer) platform_->timerChanged(control);
}

// --- HeadlessPlatform ------------------------------------------------------------

HeadlessPlatform::HeadlessPlatform(HeadlessOptions options) : options_(std::move(options)) {
  clock_.set(options_.startTime);
  const ui::PixelRect v = options_.screen.virtualScreen;
  desktop_ = testPattern(std::max(1, v.width), std::max(1, v.height));
}

HeadlessPlatform::~HeadlessPlatform() = default;

std::unique_ptr<ui::NativeWindow> HeadlessPlatform::createWindow(forms::Form& form) {
  auto window = std::make_unique<HeadlessWindow>(*this, form, nextHandle_);
  nextHandle_ += 0x10;
  windows_.opened(*window);
  return window;
}

void HeadlessPlatform::forget(HeadlessWindow* window) {
  windows_.closing(*window);
  std::erase(repaintPending_, window);
  std::erase_if(timerStarts_,
                [&](const auto& entry) { return &entry.first->form() == &window->form(); });
}

HeadlessWindow* HeadlessPlatform::windowOf(const forms::Form& form) const {
  return static_cast<HeadlessWindow*>(windows_.windowOf(form));
}

std::vector<HeadlessWindow*> HeadlessPlatform::openWindows() const {
  std::vector<HeadlessWindow*> open;
  for (ui::NativeWindow* w : windows_.windows()) open.push_back(static_cast<HeadlessWindow*>(w));
  return open;
}

void HeadlessPlatform::requestRepaint(HeadlessWindow* window) {
  if (std::find(repaintPending_.begin(), repaintPending_.end(), window) == repaintPending_.end()) {
    repaintPending_.push_back(window);
  }
}

void HeadlessPlatform::timerChanged(const forms::Control& timer) {
  if (timer.timerEnabled()) {
    timerStarts_[&timer] = clock_.continuousSeconds();
  } else {
    timerStarts_.erase(&timer);
  }
}

void HeadlessPlatform::post(InputEvent event) {
  auto at = std::upper_bound(input_.begin(), input_.end(), event.time,
                             [](double t, const InputEvent& e) { return t < e.time; });
  input_.insert(at, std::move(event));
}

forms::Form* HeadlessPlatform::target(const InputEvent& event) const {
  const std::vector<HeadlessWindow*> open = openWindows();
  for (auto it = open.rbegin(); it != open.rend(); ++it) {
    forms::Form& form = (*it)->form();
    if (event.form.empty() ? (*it)->visible() : form.name() == event.form) return &form;
  }
  return nullptr;
}

void HeadlessPlatform::deliver(const InputEvent& event) {
  using Kind = InputEvent::Kind;
  forms::Form* form = target(event);
  // A window that a modal one switched off gets no input.
  if (!form || !form->isLoaded() || !form->native()->isEnabled()) return;
  forms::EventArgs args;
  args.x = event.x;
  args.y = event.y;
  switch (event.kind) {
    case Kind::MouseMove:
      args.kind = forms::EventKind::MouseMove;
      args.button = event.button;
      buttonsHeld_ = event.button;
      form->dispatch(args);
      break;
    case Kind::MouseDown:
      args.kind = forms::EventKind::MouseDown;
      args.button = event.button;
      buttonsHeld_ = static_cast<std::int16_t>(buttonsHeld_ | event.button);
      form->dispatch(args);
      break;
    case Kind::MouseUp:
      args.kind = forms::EventKind::MouseUp;
      args.button = event.button;
      buttonsHeld_ = static_cast<std::int16_t>(buttonsHeld_ & ~event.button);
      form->dispatch(args);
      break;
    case Kind::Key: {
      if (forms::takeDialogKey(*form, dialogKeyOf(event.key))) break;
      args.kind = forms::EventKind::KeyPress;
      args.keyAscii = event.key;
      forms::Control* focus = form->activeControl();
      if (form->layout().keyPreview || !focus) form->dispatch(args);
      if (focus && args.keyAscii != 0) {
        args.control = focus;
        form->dispatch(args);
        if (args.keyAscii >= 32 && focus->kind() == forms::ControlKind::TextBox) {
          form->typeText(*focus, std::string(1, static_cast<char>(args.keyAscii)));
        }
      }
      break;
    }
    case Kind::Close:
      form->unload(forms::UnloadMode::FormControlMenu);
      break;
    case Kind::Click:
      if (forms::Control* c = form->findControl(event.control, event.index)) form->clickControl(*c);
      break;
    case Kind::Type:
      if (forms::Control* focus = form->activeControl();
          focus && focus->kind() == forms::ControlKind::TextBox) {
        form->typeText(*focus, event.text);
      }
      break;
    case Kind::Tab:
      forms::takeDialogKey(*form,
                           {.kind = forms::DialogKey::Kind::Tab, .shift = event.button != 0});
      break;
    case Kind::Mnemonic:
      forms::takeDialogKey(*form, {.character = static_cast<char>(event.key), .alt = true});
      break;
  }
}

void HeadlessPlatform::fireDueTimers() {
  const double now = clock_.continuousSeconds();
  std::vector<const forms::Control*> due;
  for (const auto& [timer, start] : timerStarts_) {
    const bool running =
        std::find(timersRunning_.begin(), timersRunning_.end(), timer) != timersRunning_.end();
    if (!running && timer->timerEnabled() && now - start >= timer->interval() / 1000.0 - 1e-9) {
      due.push_back(timer);
    }
  }
  for (const forms::Control* timer : due) {
    auto it = timerStarts_.find(timer);
    if (it == timerStarts_.end()) continue;  // its window went meanwhile
    it->second = now;
    forms::Control& control = const_cast<forms::Control&>(*timer);
    timersRunning_.push_back(timer);
    forms::EventArgs args{.kind = forms::EventKind::Timer, .control = &control};
    try {
      control.form().dispatch(args);
    } catch (...) {
      std::erase(timersRunning_, timer);
      throw;
    }
    std::erase(timersRunning_, timer);
  }
}

void HeadlessPlatform::processPendingMessages() {
  if (beforeMessages_) beforeMessages_();
  const double now = clock_.continuousSeconds();
  while (!input_.empty() && input_.front().time <= now) {
    InputEvent event = std::move(input_.front());
    input_.pop_front();
    deliver(event);
  }
  // A handler may open or close windows while it runs: take the list first.
  std::vector<HeadlessWindow*> repaint;
  repaint.swap(repaintPending_);
  for (HeadlessWindow* w : repaint) {
    if (windows_.isOpen(w)) {
      w->form().repaint();
    }
  }
  fireDueTimers();
}

void HeadlessPlatform::waitUntil(double deadline) {
  if (clock_.continuousSeconds() < deadline) clock_.set(deadline);
}

void HeadlessPlatform::runModal(forms::Form& form) {
  windows_.runModal(form, [&] {
    if (input_.empty()) return false;
    if (input_.front().time > clock_.continuousSeconds()) clock_.set(input_.front().time);
    processPendingMessages();
    return true;
  });
}

void HeadlessPlatform::messageBox(const std::string& text, const std::string& title, forms::Form*) {
  messageBoxes_.push_back({text, title});
  if (onMessageBox_) onMessageBox_(messageBoxes_.back());
}

bool HeadlessPlatform::windowWithTitleExists(const std::string& title) const {
  for (const HeadlessWindow* w : openWindows()) {
    if (w->caption() == title) return true;
  }
  return std::find(foreignTitles_.begin(), foreignTitles_.end(), title) != foreignTitles_.end();
}

std::optional<gdi::Size> HeadlessPlatform::hostClientSize(ui::WindowHandle host) const {
  auto it = hosts_.find(host);
  if (it == hosts_.end()) return std::nullopt;
  return it->second;
}

ui::WindowHandle HeadlessPlatform::addHostWindow(gdi::Size client) {
  const ui::WindowHandle handle = nextHandle_;
  nextHandle_ += 0x10;
  hosts_[handle] = client;
  return handle;
}

void HeadlessPlatform::destroyHostWindow(ui::WindowHandle host) {
  hosts_.erase(host);
  std::vector<forms::Form*> orphans;
  for (HeadlessWindow* w : openWindows()) {
    if (w->parent() == host) orphans.push_back(&w->form());
  }
  for (forms::Form* form : orphans) form->hostWindowGone();
}

bool HeadlessPlatform::captureDesktop(gdi::HDC dst, int srcX, int srcY, gdi::Size size) {
  gdi::Bitmap* target = gdi::SurfaceBitmap(dst);
  if (!target) return false;
  const ui::PixelRect v = options_.screen.virtualScreen;
  const int w = std::min(size.width, target->width);
  const int h = std::min(size.height, target->height);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int dx = srcX + x - v.left;
      const int dy = srcY + y - v.top;
      const bool inside = dx >= 0 && dy >= 0 && dx < desktop_.width && dy < desktop_.height;
      target->at(x, y) = inside ? desktop_.at(dx, dy) : 0;
    }
  }
  return true;
}

gdi::Bitmap HeadlessPlatform::testPattern(int width, int height) {
  // A soft blue-to-teal gradient, a 64-pixel grid and a few coloured tiles,
  // so that shifts, clipping and scaling errors show at a glance. The grid
  // and the tiles never meet. What depends on the column alone is worked
  // out once: this picture is made at every start.
  gdi::Bitmap b(width, height);
  std::vector<int> red(static_cast<std::size_t>(width)), blue(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) {
    red[x] = 40 + (x * 60) / std::max(1, width);
    blue[x] = 140 + (x * 80) / std::max(1, width);
  }
  for (int y = 0; y < height; ++y) {
    const int green = 70 + (y * 90) / std::max(1, height);
    const bool gridRow = y % 64 == 0;
    const bool tileRow = (y % 128) > 16 && (y % 128) < 48;
    gdi::Pixel* row = b.pixels.data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      if (gridRow || x % 64 == 0) {
        row[x] = gdi::rgb(220, 220, 220);
      } else if (tileRow && (x % 128) > 16 && (x % 128) < 48) {
        const int tile = ((x / 128) + (y / 128) * 7) % 11;
        row[x] = gdi::rgb((tile * 53) % 256, (tile * 97) % 256, (tile * 151) % 256);
      } else {
        row[x] = gdi::rgb(red[x], green, blue[x]);
      }
    }
  }
  return b;
}

void HeadlessPlatform::setScreenSaverRunning(bool running) {
  screenSaverRunning_ = running;
  notices_.push_back(running);
}

bool HeadlessPlatform::verifyPassword(ui::WindowHandle) {
  ++passwordPrompts_;
  if (onPasswordPrompt_) onPasswordPrompt_();
  return passwordAnswer_;
}

std::optional<ui::RegistryValue> HeadlessPlatform::query(std::int32_t root, const std::string& path,
                                                         const std::string& name) const {
  auto it = registry_.find({root, path, name});
  if (it == registry_.end()) return std::nullopt;
  return it->second;
}

void HeadlessPlatform::setRegistryValue(std::int32_t root, const std::string& path,
                                        const std::string& name, ui::RegistryValue value) {
  registry_[{root, path, name}] = std::move(value);
}

std::string HeadlessPlatform::read(const std::string& app, const std::string& section,
                                   const std::string& key, const std::string& defaultValue) {
  auto it = settings_.find({app, section, key});
  return it == settings_.end() ? defaultValue : it->second;
}

bool HeadlessPlatform::save(const std::string& app, const std::string& section,
                            const std::string& key, const std::string& value) {
  if (!settingsWritable_) return false;
  settings_[{app, section, key}] = value;
  settingsWrites_.push_back(key + "=" + value);
  return true;
}

void HeadlessPlatform::setSetting(const std::string& app, const std::string& section,
                                  const std::string& key, const std::string& value) {
  settings_[{app, section, key}] = value;
}

std::optional<std::string> HeadlessPlatform::storedSetting(const std::string& app,
                                                           const std::string& section,
                                                           const std::string& key) const {
  auto it = settings_.find({app, section, key});
  if (it == settings_.end()) return std::nullopt;
  return it->second;
}

bool HeadlessPlatform::saveFrame(const forms::Form& form, const std::string& path) {
  const gdi::Bitmap* image = gdi::SurfacePixels(form.hDC());
  if (!image) return false;
  gdi::WriteBitmapFile(path, *image);
  return true;
}

void HeadlessPlatform::playAsync(const std::string& path) { sounds_.push_back(path); }

}  // namespace grinzo::headless
