#include "ui/qt/x11_target.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>

namespace grinzo::qt {

namespace {

// Errors about a window that has just gone are expected here: they are
// noted, never fatal (Xlib's default handler would end the program).
bool gXError = false;
int noteError(Display*, XErrorEvent*) {
  gXError = true;
  return 0;
}

std::optional<XWindowAttributes> attributesOf(Display* display, Window window) {
  XErrorHandler previous = XSetErrorHandler(noteError);
  gXError = false;
  XWindowAttributes attributes{};
  const Status ok = XGetWindowAttributes(display, window, &attributes);
  XSync(display, False);
  XSetErrorHandler(previous);
  if (!ok || gXError) return std::nullopt;
  return attributes;
}

}  // namespace

std::unique_ptr<X11Target> X11Target::open(std::uint64_t window) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return nullptr;
  const std::optional<XWindowAttributes> attributes = attributesOf(display, window);
  if (!attributes) {
    XCloseDisplay(display);
    return nullptr;
  }
  XErrorHandler previous = XSetErrorHandler(noteError);
  // Size changes and destruction; no input, which stays with its owner.
  XSelectInput(display, window, StructureNotifyMask);
  XSync(display, False);
  XSetErrorHandler(previous);
  return std::unique_ptr<X11Target>(
      new X11Target(display, window, {attributes->width, attributes->height}, attributes->depth));
}

std::optional<gdi::Size> X11Target::sizeOf(std::uint64_t window) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return std::nullopt;
  const std::optional<XWindowAttributes> attributes = attributesOf(display, window);
  XCloseDisplay(display);
  if (!attributes) return std::nullopt;
  return gdi::Size{attributes->width, attributes->height};
}

std::uint64_t X11Target::rootTarget() {
  if (const char* named = std::getenv("XSCREENSAVER_WINDOW"); named && *named) {
    char* end = nullptr;
    const unsigned long long id = std::strtoull(named, &end, 0);
    if (end && *end == '\0' && id != 0) return id;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 0;
  const Window root = DefaultRootWindow(display);
  XCloseDisplay(display);
  return root;
}

namespace {

// Copies `drawable`'s pixels at (x, y) into `to` at (0, 0), `width` x
// `height`, as far as the drawable (`size`) reaches.
bool copyDrawable(Display* display, Drawable drawable, gdi::Size size, int x, int y, int width,
                  int height, gdi::Bitmap& to) {
  // Only the part that lies on the drawable can be read.
  const int left = std::max(x, 0);
  const int top = std::max(y, 0);
  const int right = std::min({x + width, size.width, x + to.width});
  const int bottom = std::min({y + height, size.height, y + to.height});
  if (right <= left || bottom <= top) return false;
  XErrorHandler previous = XSetErrorHandler(noteError);
  gXError = false;
  XImage* image = XGetImage(display, drawable, left, top, static_cast<unsigned>(right - left),
                            static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap);
  XSync(display, False);
  XSetErrorHandler(previous);
  if (!image) return false;
  // 32-bit 0x00RRGGBB rows (every true-colour X server we meet) are copied
  // as they are; anything else pixel by pixel.
  const bool direct = image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
                      image->red_mask == 0xFF0000 && image->green_mask == 0x00FF00 &&
                      image->blue_mask == 0x0000FF;
  for (int row = top; row < bottom; ++row) {
    gdi::Pixel* out = &to.at(left - x, row - y);
    if (direct) {
      const auto* in = reinterpret_cast<const std::uint32_t*>(
          image->data + static_cast<std::ptrdiff_t>(row - top) * image->bytes_per_line);
      for (int i = 0; i < right - left; ++i) out[i] = in[i] & 0x00FFFFFFu;
    } else {
      for (int i = 0; i < right - left; ++i) {
        out[i] = static_cast<gdi::Pixel>(XGetPixel(image, i, row - top) & 0x00FFFFFFu);
      }
    }
  }
  XDestroyImage(image);
  return true;
}

// The pixmap that a window's _SCREENSAVER_SCREENSHOT property names, and its
// size; nullopt without one.
std::optional<std::pair<Pixmap, gdi::Size>> daemonScreenshot(Display* display, Window window) {
  const Atom property = XInternAtom(display, "_SCREENSAVER_SCREENSHOT", True);
  if (property == None) return std::nullopt;
  XErrorHandler previous = XSetErrorHandler(noteError);
  gXError = false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, window, property, 0, 1, False, XA_PIXMAP, &type,
                                        &format, &count, &after, &data);
  Pixmap pixmap = None;
  if (status == Success && !gXError && type == XA_PIXMAP && format == 32 && count == 1 && data) {
    pixmap = static_cast<Pixmap>(*reinterpret_cast<unsigned long*>(data));
  }
  if (data) XFree(data);
  Window root = None;
  int px = 0, py = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  bool measured = pixmap != None &&
                  XGetGeometry(display, pixmap, &root, &px, &py, &width, &height, &border, &depth);
  XSync(display, False);
  measured = measured && !gXError;
  XSetErrorHandler(previous);
  if (!measured || width == 0 || height == 0) return std::nullopt;
  return std::make_pair(pixmap, gdi::Size{static_cast<int>(width), static_cast<int>(height)});
}

// Whether the user lets the saver daemon's modules show the desktop: the
// grabDesktopImages setting of ~/.xscreensaver, true unless it says false.
// The daemon photographs the desktop whatever it says; its modules ask.
bool desktopImagesAllowed() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return true;
  std::ifstream settings(std::string(home) + "/.xscreensaver");
  const auto trimmed = [](const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
  };
  for (std::string line; std::getline(settings, line);) {
    const auto colon = line.find(':');
    if (colon == std::string::npos || trimmed(line.substr(0, colon)) != "grabDesktopImages") {
      continue;
    }
    std::string value = trimmed(line.substr(colon + 1));
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return value != "false" && value != "off" && value != "no" && value != "0";
  }
  return true;
}

}  // namespace

bool X11Target::captureRoot(int x, int y, int width, int height, gdi::Bitmap& to) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  const Window root = DefaultRootWindow(display);
  XWindowAttributes attributes{};
  const bool copied =
      XGetWindowAttributes(display, root, &attributes) &&
      copyDrawable(display, root, {attributes.width, attributes.height}, x, y, width, height, to);
  XCloseDisplay(display);
  return copied;
}

bool X11Target::captureDaemonScreenshot(std::uint64_t window, int x, int y, int width, int height,
                                        gdi::Bitmap& to) {
  if (!desktopImagesAllowed()) return false;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  const auto screenshot = daemonScreenshot(display, static_cast<Window>(window));
  const bool copied = screenshot && copyDrawable(display, screenshot->first, screenshot->second, x,
                                                 y, width, height, to);
  XCloseDisplay(display);
  return copied;
}

X11Target::X11Target(Display* display, std::uint64_t window, gdi::Size size, int depth)
    : display_(display), window_(window), size_(size), depth_(depth) {
  gc_ = XCreateGC(display_, window_, 0, nullptr);
}

X11Target::~X11Target() {
  if (gc_) XFreeGC(display_, static_cast<GC>(gc_));
  XCloseDisplay(display_);
}

int X11Target::connection() const { return ConnectionNumber(display_); }

bool X11Target::poll() {
  while (!gone_ && XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == DestroyNotify && event.xdestroywindow.window == window_) {
      gone_ = true;
    } else if (event.type == ConfigureNotify && event.xconfigure.window == window_) {
      size_ = {event.xconfigure.width, event.xconfigure.height};
    }
  }
  // A window may also go without our hearing of it in time (its owner's
  // connection closed): a failed query says so.
  if (!gone_ && gXError) gone_ = !attributesOf(display_, window_).has_value();
  return !gone_;
}

void X11Target::draw(const gdi::Bitmap& image) {
  if (gone_ || image.width <= 0 || image.height <= 0) return;
  // 24 and 32-bit true-colour windows take the surface's 0x00RRGGBB pixels
  // as they are; other depths are not drawn into.
  if (depth_ != 24 && depth_ != 32) return;
  XImage ximage{};
  ximage.width = image.width;
  ximage.height = image.height;
  ximage.format = ZPixmap;
  ximage.data = reinterpret_cast<char*>(const_cast<gdi::Pixel*>(image.pixels.data()));
  ximage.byte_order = LSBFirst;
  ximage.bitmap_unit = 32;
  ximage.bitmap_bit_order = LSBFirst;
  ximage.bitmap_pad = 32;
  ximage.depth = depth_;
  ximage.bytes_per_line = image.width * 4;
  ximage.bits_per_pixel = 32;
  ximage.red_mask = 0xFF0000;
  ximage.green_mask = 0x00FF00;
  ximage.blue_mask = 0x0000FF;
  if (!XInitImage(&ximage)) return;
  XErrorHandler previous = XSetErrorHandler(noteError);
  gXError = false;
  XPutImage(display_, window_, static_cast<GC>(gc_), &ximage, 0, 0, 0, 0,
            static_cast<unsigned>(image.width), static_cast<unsigned>(image.height));
  XSync(display_, False);
  XSetErrorHandler(previous);
  if (gXError) gone_ = !attributesOf(display_, window_).has_value();
}

}  // namespace grinzo::qt
