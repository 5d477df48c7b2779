// grinzo-headless: runs the game window on the headless backend, without any
// display, and writes its frames as bitmap files.
//
// For now it shows the drawing foundation at work: the desktop picture as
// the background, faces drawn with their masks wandering over it, splats and
// bullet holes painted into the background for good and the crosshair on top.

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "sprites/image_lookup.h"
#include "ui/forms/form.h"
#include "ui/headless/headless_platform.h"
#include "ui/layouts/layouts.h"

namespace {

using namespace grinzo;

struct Options {
  int width = 800;
  int height = 600;
  int frames = 100;
  int every = 10;
  std::string record;
  std::string desktop;
};

[[noreturn]] void usage(const std::string& problem) {
  std::cerr << "grinzo-headless: " << problem << "\n"
            << "usage: grinzo-headless [--size WxH] [--frames N] [--record DIR] [--every K]"
               " [--desktop FILE.bmp]\n";
  std::exit(2);
}

int positive(std::string_view text, const char* what) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 1) {
    usage(std::string("bad ") + what + " '" + std::string(text) + "'");
  }
  return value;
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> std::string_view {
      if (i + 1 >= argc) usage("missing value after " + std::string(arg));
      return argv[++i];
    };
    if (arg == "--size") {
      const std::string_view v = value();
      const auto x = v.find('x');
      if (x == std::string_view::npos) usage("bad size '" + std::string(v) + "'");
      o.width = positive(v.substr(0, x), "width");
      o.height = positive(v.substr(x + 1), "height");
    } else if (arg == "--frames") {
      o.frames = positive(value(), "frame count");
    } else if (arg == "--every") {
      o.every = positive(value(), "frame step");
    } else if (arg == "--record") {
      o.record = value();
    } else if (arg == "--desktop") {
      o.desktop = value();
    } else {
      usage("unknown option '" + std::string(arg) + "'");
    }
  }
  return o;
}

struct Face {
  double x, y, dx, dy;
  gdi::HDC picture;
};

int run(const Options& o) {
  headless::HeadlessOptions options;
  options.screen.primary = {0, 0, o.width, o.height};
  options.screen.virtualScreen = options.screen.primary;
  options.programFolder = std::filesystem::temp_directory_path().string();
  headless::HeadlessPlatform platform(options);
  if (!o.desktop.empty()) platform.setDesktop(gdi::ReadBitmapFile(o.desktop));

  forms::Form window(platform, layouts::frmGrinzo());
  window.load();
  window.setBoundsPixels({0, 0, o.width, o.height});
  window.show();

  sprites::ImageLookup lookup(platform, window);
  const gdi::HDC background = gdi::CreateCompatibleDC(0);
  const gdi::HBITMAP bitmap = gdi::CreateCompatibleBitmap(background, o.width, o.height);
  gdi::SelectObject(background, bitmap);
  platform.captureDesktop(background, 0, 0, {o.width, o.height});

  const gdi::HDC mask = lookup.GetImageDC("grinzomask.bmp");
  const gdi::HDC pop = lookup.GetImageDC("pop.bmp");
  const gdi::HDC popMask = lookup.GetImageDC("popmask.bmp");
  const gdi::HDC cursorMask = lookup.GetImageDC("cursormask.bmp");
  const gdi::HDC hole = lookup.GetImageDC("new44.bmp");
  const gdi::HDC holeMask = lookup.GetImageDC("44mask.bmp");
  const gdi::HDC pellet = lookup.GetImageDC("newshotgun.bmp");
  const gdi::HDC pelletMask = lookup.GetImageDC("shotgunmask.bmp");
  // Paints a picture through its mask into the background, for good.
  const auto stamp = [&](int x, int y, int w, int h, gdi::HDC picture, gdi::HDC pictureMask) {
    gdi::BitBlt(background, x, y, w, h, pictureMask, 1, 0, gdi::SRCAND);
    gdi::BitBlt(background, x, y, w, h, picture, 1, 0, gdi::SRCPAINT);
  };
  std::vector<Face> faces;
  for (int i = 0; i < 12; ++i) {
    const std::string name = "grinzo" + std::to_string(i % 5 + 1) + ".bmp";
    faces.push_back({double((i * 97) % std::max(1, o.width - 30)),
                     double((i * 61) % std::max(1, o.height - 30)), 3.0 + i % 4, 2.0 + i % 3,
                     lookup.GetImageDC(name)});
  }

  if (!o.record.empty()) std::filesystem::create_directories(o.record);
  for (int frame = 1; frame <= o.frames; ++frame) {
    platform.manualClock().advance(0.02);
    platform.processPendingMessages();
    for (Face& f : faces) {
      f.x += f.dx;
      f.y += f.dy;
      if (f.x < 0 || f.x > o.width - 30) f.dx = -f.dx;
      if (f.y < 0 || f.y > o.height - 30) f.dy = -f.dy;
    }
    if (frame % 15 == 0) {  // a splat where a face is, painted into the background for good
      const Face& hit = faces[static_cast<std::size_t>(frame / 15) % faces.size()];
      stamp(int(hit.x) - 10, int(hit.y) - 10, 50, 50, pop, popMask);
      stamp(int(hit.x) + 40, int(hit.y) + 20, 38, 37, hole, holeMask);
      for (int p = 0; p < 4; ++p) {
        stamp(int(hit.x) - 40 + p * 17, int(hit.y) + 50 + (p % 2) * 9, 13, 12, pellet, pelletMask);
      }
    }
    const gdi::HDC screen = window.hDC();
    gdi::BitBlt(screen, 0, 0, o.width, o.height, background, 0, 0, gdi::SRCCOPY);
    for (const Face& f : faces) {
      gdi::BitBlt(screen, int(f.x), int(f.y), 30, 30, mask, 0, 0, gdi::SRCAND);
      gdi::BitBlt(screen, int(f.x), int(f.y), 30, 30, f.picture, 0, 0, gdi::SRCPAINT);
    }
    gdi::BitBlt(screen, o.width / 2 - 10 + frame % 50, o.height / 2 - 10, 24, 21, cursorMask, 0, 0,
                gdi::SRCAND);
    window.present();
    if (!o.record.empty() && frame % o.every == 0) {
      char name[32];
      std::snprintf(name, sizeof name, "frame%05d.bmp", frame);
      headless::HeadlessPlatform::saveFrame(window,
                                            (std::filesystem::path(o.record) / name).string());
    }
  }
  gdi::DeleteDC(background);
  gdi::DeleteObject(bitmap);
  window.unload();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = parse(argc, argv);
  try {
    return run(options);
  } catch (const std::exception& e) {
    std::cerr << "grinzo-headless: " << e.what() << "\n";
    return 1;
  }
}
