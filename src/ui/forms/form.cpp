#include "ui/forms/form.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace grinzo::forms {

namespace {

std::string handlerName(const Control* control, EventKind kind) {
  std::string name = control ? control->name() : std::string("Form");
  name += '_';
  name += eventName(kind);
  return name;
}

int toPixels(double twips, double twipsPerPixel) {
  return static_cast<int>(std::lround(twips / twipsPerPixel));
}

}  // namespace

Form::Form(ui::Platform& platform, FormLayout layout)
    : platform_(&platform),
      layout_(std::move(layout)),
      caption_(layout_.caption),
      windowState_(layout_.windowState) {}

Form::~Form() { takeDown(); }

void Form::on(const std::string& name, Handler handler) { handlers_[name] = std::move(handler); }

bool Form::hasHandler(const std::string& name) const { return handlers_.count(name) != 0; }

void Form::dispatch(EventArgs& args) {
  if (!loaded_) return;
  auto it = handlers_.find(handlerName(args.control, args.kind));
  if (it == handlers_.end()) return;
  if (args.control) args.index = args.control->index();
  // Copy: a handler may replace handlers or unload the form under our feet.
  Handler handler = it->second;
  if (args.kind != EventKind::Timer) {
    handler(args);
    return;
  }
  ++timerHandlersRunning_;
  try {
    handler(args);
  } catch (...) {
    --timerHandlersRunning_;
    throw;
  }
  --timerHandlersRunning_;
}

bool Form::hostWindowGone() {
  if (unload(UnloadMode::FormOwner)) return true;
  if (timerHandlersRunning_ > 0) return false;
  return unload(UnloadMode::FormOwner);
}

// --- Life cycle ---------------------------------------------------------------

void Form::createControls() {
  controls_.clear();
  controls_.reserve(layout_.controls.size());
  for (const ControlLayout& c : layout_.controls) {
    controls_.push_back(std::make_unique<Control>(*this, c));
    controls_.back()->createSurface();
  }
}

void Form::load() {
  if (loaded_) return;
  createControls();
  native_ = platform_->windows().createWindow(*this);
  native_->setCaption(caption_);
  // Timers enabled by the layout start counting once their window exists.
  for (const auto& c : controls_) {
    if (c->kind() == ControlKind::Timer && c->timerEnabled()) {
      c->notify(ui::ControlProperty::Timer);
    }
  }
  if (layout_.autoRedraw) {
    image_ = gdi::CreateCompatibleDC(0);
    syncImageSize();
  }
  loaded_ = true;
  try {
    EventArgs args{.kind = EventKind::Load};
    dispatch(args);
  } catch (...) {
    takeDown();
    throw;
  }
}

void Form::show(bool modal) {
  load();
  if (!loaded_) return;
  native_->setVisible(true);
  if (!focused_) {
    if (Control* first = firstInTabOrder()) setFocus(*first);
  }
  present();
  if (modal) platform_->windows().runModal(*this);
}

void Form::hide() {
  if (native_) native_->setVisible(false);
}

bool Form::isVisible() const { return native_ && native_->visible(); }

bool Form::unload(UnloadMode mode) {
  if (!loaded_ || unloading_) return true;
  EventArgs query{.kind = EventKind::QueryUnload, .unloadMode = mode};
  dispatch(query);
  if (query.cancel != 0) return false;
  unloading_ = true;
  EventArgs unload{.kind = EventKind::Unload, .unloadMode = mode};
  try {
    dispatch(unload);
  } catch (...) {
    unloading_ = false;
    takeDown();
    throw;
  }
  unloading_ = false;
  takeDown();
  return true;
}

void Form::takeDown() {
  loaded_ = false;
  focused_ = nullptr;
  native_.reset();
  controls_.clear();
  if (image_ > 0) gdi::DeleteDC(image_);
  if (imageBitmap_ > 0) gdi::DeleteObject(imageBitmap_);
  image_ = 0;
  imageBitmap_ = 0;
}

// --- Window properties -------------------------------------------------------

void Form::setCaption(const std::string& caption) {
  caption_ = caption;
  if (native_) native_->setCaption(caption_);
}

ui::WindowHandle Form::hWnd() const { return native_ ? native_->handle() : 0; }

void Form::setWindowState(WindowState state) { windowState_ = state; }

double Form::twipsPerPixelX() const { return platform_->windows().screen().twipsPerPixelX; }
double Form::twipsPerPixelY() const { return platform_->windows().screen().twipsPerPixelY; }

ui::PixelRect Form::boundsPixels() const { return native_ ? native_->bounds() : ui::PixelRect{}; }

void Form::setBoundsPixels(const ui::PixelRect& outer) {
  if (!native_) return;
  native_->setBounds(outer);
  syncImageSize();
}

double Form::left() const { return boundsPixels().left * twipsPerPixelX(); }
double Form::top() const { return boundsPixels().top * twipsPerPixelY(); }
double Form::width() const { return boundsPixels().width * twipsPerPixelX(); }
double Form::height() const { return boundsPixels().height * twipsPerPixelY(); }

void Form::setLeft(double twips) {
  ui::PixelRect r = boundsPixels();
  r.left = toPixels(twips, twipsPerPixelX());
  setBoundsPixels(r);
}
void Form::setTop(double twips) {
  ui::PixelRect r = boundsPixels();
  r.top = toPixels(twips, twipsPerPixelY());
  setBoundsPixels(r);
}
void Form::setWidth(double twips) {
  ui::PixelRect r = boundsPixels();
  r.width = std::max(0, toPixels(twips, twipsPerPixelX()));
  setBoundsPixels(r);
}
void Form::setHeight(double twips) {
  ui::PixelRect r = boundsPixels();
  r.height = std::max(0, toPixels(twips, twipsPerPixelY()));
  setBoundsPixels(r);
}

int Form::scaleWidth() const { return native_ ? native_->clientSize().width : 0; }
int Form::scaleHeight() const { return native_ ? native_->clientSize().height : 0; }

// Keeps the persistent image as large as the client area. What was drawn
// stays at its place; new area takes the back colour.
void Form::syncImageSize() {
  if (image_ <= 0 || !native_) return;
  const gdi::Size client = native_->clientSize();
  const gdi::Size current = gdi::SurfaceSize(image_);
  if (current == client && imageBitmap_ != 0) return;
  const gdi::Pixel back = layout_.backColour.value_or(gdi::rgb(192, 192, 192));
  // The new image is made in place, through a surface of its own, so that a
  // full-screen window never holds more than the old image and the new.
  const gdi::HDC maker = gdi::CreateCompatibleDC(0);
  const gdi::HBITMAP bitmap =
      gdi::CreateCompatibleBitmap(maker, std::max(1, client.width), std::max(1, client.height));
  gdi::SelectObject(maker, bitmap);
  if (gdi::Bitmap* fresh = gdi::SurfaceBitmap(maker); fresh && bitmap != 0) {
    std::fill(fresh->pixels.begin(), fresh->pixels.end(), back);
    if (const gdi::Bitmap* old = gdi::SurfacePixels(image_); old && imageBitmap_ != 0) {
      const int w = std::min(old->width, fresh->width);
      const int h = std::min(old->height, fresh->height);
      for (int y = 0; y < h; ++y) {
        std::copy_n(&old->pixels[static_cast<std::size_t>(y) * old->width], w,
                    &fresh->pixels[static_cast<std::size_t>(y) * fresh->width]);
      }
    }
  }
  gdi::DeleteDC(maker);  // the bitmap stays, for the window's surface
  gdi::SelectObject(image_, bitmap);
  if (imageBitmap_ != 0) gdi::DeleteObject(imageBitmap_);
  imageBitmap_ = bitmap;
}

gdi::COLORREF Form::point(int x, int y) const { return gdi::GetPixel(image_, x, y); }

void Form::present() { showImage(false); }

void Form::showImage(bool whole) {
  if (!native_ || image_ <= 0) return;
  gdi::TakeChangedArea(image_, changed_);
  if (whole) changed_.all = true;
  if (const gdi::Bitmap* image = gdi::SurfacePixels(image_)) native_->present(*image, changed_);
}

void Form::repaint() {
  if (!loaded_) return;
  if (layout_.autoRedraw) {
    showImage(true);
    return;
  }
  EventArgs paint{.kind = EventKind::Paint};
  dispatch(paint);
}

void Form::setMouseIcon(const gdi::IconEntry& icon) {
  mouseIcon_ = std::make_unique<gdi::IconEntry>(icon);
  if (native_) native_->setPointer(mouseIcon_.get());
}

// --- Controls ----------------------------------------------------------------

Control* Form::findControl(std::string_view name, int index) const {
  for (const auto& c : controls_) {
    if (c->name() == name && c->index() == index) return c.get();
  }
  return nullptr;
}

Control& Form::control(std::string_view name, int index) const {
  if (Control* c = findControl(name, index)) return *c;
  throw rt::RuntimeError(rt::ErrorNumber::InvalidArgument,
                         "No control " + std::string(name) +
                             (index >= 0 ? "(" + std::to_string(index) + ")" : "") + " on " +
                             layout_.name);
}

// --- Focus -------------------------------------------------------------------

std::vector<Control*> Form::tabOrder() const {
  std::vector<Control*> order;
  for (const auto& c : controls_) {
    if (c->layout().tabIndex >= 0) order.push_back(c.get());
  }
  std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
    return a->layout().tabIndex < b->layout().tabIndex;
  });
  return order;
}

Control* Form::firstInTabOrder() const {
  for (Control* c : tabOrder()) {
    if (c->canFocus()) return c;
  }
  return nullptr;
}

bool Form::setFocus(Control& target) {
  if (!loaded_ || !target.canFocus()) return false;
  if (focused_ == &target) return true;
  if (focused_ && target.layout().causesValidation) {
    EventArgs check{.kind = EventKind::Validate, .control = focused_};
    dispatch(check);
    if (check.cancel != 0) {
      if (native_) native_->focusChanged(focused_);
      return false;
    }
  }
  focused_ = &target;
  if (native_) native_->focusChanged(focused_);
  EventArgs got{.kind = EventKind::GotFocus, .control = &target};
  dispatch(got);
  return focused_ == &target;
}

bool Form::focusNext(bool forward) {
  std::vector<Control*> order = tabOrder();
  std::erase_if(order, [](const Control* c) { return !c->canFocus() || !c->layout().tabStop; });
  if (order.empty()) return false;
  auto it = std::find(order.begin(), order.end(), focused_);
  std::size_t next = 0;
  if (it == order.end()) {
    next = forward ? 0 : order.size() - 1;
  } else {
    const std::size_t at = static_cast<std::size_t>(it - order.begin());
    next = forward ? (at + 1) % order.size() : (at + order.size() - 1) % order.size();
  }
  return setFocus(*order[next]);
}

bool Form::pressMnemonic(char letter) {
  const char wanted =
      static_cast<char>(letter >= 'a' && letter <= 'z' ? letter - 'a' + 'A' : letter);
  const std::vector<Control*> order = tabOrder();
  for (std::size_t i = 0; i < order.size(); ++i) {
    Control* c = order[i];
    if (!c->visible() || !c->enabled() || mnemonicOf(c->caption()) != wanted) continue;
    switch (c->kind()) {
      case ControlKind::Label:
        // A label hands the focus to the next control that can take it.
        for (std::size_t j = i + 1; j < order.size(); ++j) {
          if (order[j]->canFocus()) return setFocus(*order[j]);
        }
        return false;
      case ControlKind::Button:
      case ControlKind::CheckBox:
        return clickControl(*c);
      default:
        return false;
    }
  }
  return false;
}

bool Form::clickControl(Control& control) {
  if (!loaded_ || !control.visible() || !control.enabled()) return false;
  if (control.canFocus() && !setFocus(control)) return false;
  if (control.kind() == ControlKind::CheckBox) control.setValue(control.value() == 1 ? 0 : 1);
  EventArgs click{.kind = EventKind::Click, .control = &control};
  dispatch(click);
  return true;
}

void Form::typeText(Control& box, const std::string& text) {
  std::string value = box.text();
  value.replace(static_cast<std::size_t>(box.selStart()), static_cast<std::size_t>(box.selLength()),
                text);
  const int caret = box.selStart() + static_cast<int>(text.size());
  box.setText(value);
  box.setSelection(caret, 0);
}

}  // namespace grinzo::forms
