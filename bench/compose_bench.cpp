// Composition benchmark: what one game frame costs.
//
// A frame as the game composes it: a few new splats and bullet holes painted
// for good into the background (mask AND, picture OR), the whole background
// copied onto the window image, N masked 30 x 30 faces drawn over it, and the
// crosshair mask ANDed on top. Measured against
//   - a plain memcpy of a window-sized buffer (the floor: every frame copies
//     the whole background once), and
//   - SDL2 composing the same scene the way SDL draws sprites: the same 32-bit
//     format, the background blitted without a key, every sprite blitted once
//     with a colour key (black; white for the crosshair mask).
// A fourth contender, "game", composes the very same frames through the game
// window's own RefreshScreen, with its face and splat collections, on the
// headless backend: what the game adds on top of the bare transfers.
// The table shows medians of single frames (see measure() for the order), and
// the share of our frames whose background copy moved only what had changed.
// Before timing, each configuration checks that our frames are exactly those
// composed with full background copies.
//
// Usage: grinzo-compose-bench [--vectors=none|avx2|avx512] [--check | --profile=WxH] [--bands=N]
//                             [seconds per configuration, default 1] [faces...]
// (face counts default to 10, 1000 and 32767). --vectors uses at most those
// vector instructions, as a processor without the wider ones would (the
// default: the widest this one has). --check only checks the frames, with
// every set of vector instructions this processor has, and times nothing.
// --profile=WxH composes only our frames at that size (the last face count),
// for a profiler. --bands=N draws crowds in bands of N pixels instead of the
// size chosen for this processor's cache.

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "game/frm_grinzo.h"
#include "start/modes.h"
#include "ui/gdi/compose_paths.h"
#include "ui/gdi/gdi.h"
#include "ui/headless/headless_platform.h"
#include "ui/images/images.h"
#include "ui/runtime/app_info.h"

// The benchmark sets the game's faces, splats and pointer directly, as the
// shooting code and the pointer handler would.
namespace grinzo::game {
class FrmGrinzoProbe {
 public:
  static sprites::CBlobs& blobs(frmGrinzo& g) { return g.blobs(); }
  static void setCursor(frmGrinzo& g, int x, int y) {
    g.mintCursorX = static_cast<std::int16_t>(x);
    g.mintCursorY = static_cast<std::int16_t>(y);
  }
};
}  // namespace grinzo::game

namespace {

using namespace grinzo;
using images::ImageId;
using Clock = std::chrono::steady_clock;

struct Point {
  int x = 0;
  int y = 0;
};

struct Blob {
  Point at;
  int type = 1;  // 1 splat, 2 handgun hole, 3 pellet hole
};

// Drawn size and hot spot of each splat type; the source starts at column 1.
struct BlobShape {
  int width, height, dx, dy;
  ImageId image, mask;
};
constexpr BlobShape kBlobShapes[] = {
    {50, 50, 25, 25, ImageId::Splat, ImageId::SplatMask},
    {38, 37, 19, 18, ImageId::Pistol, ImageId::PistolMask},
    {13, 12, 7, 6, ImageId::Shotgun, ImageId::ShotgunMask},
};
constexpr int kSplatsPerFrame = 5;
constexpr int kFaceSize = 30;
constexpr int kFrameSets = 8;  // distinct frames of positions, used in turn

struct Frame {
  std::vector<Point> faces;
  std::vector<Blob> blobs;
  Point cursor;
};

std::vector<Frame> makeFrames(int width, int height, int faces) {
  std::mt19937 rng(12345);
  auto inside = [&](int limit) { return static_cast<int>(rng() % static_cast<unsigned>(limit)); };
  std::vector<Frame> frames(kFrameSets);
  for (Frame& f : frames) {
    for (int i = 0; i < faces; ++i) {
      f.faces.push_back({inside(width - kFaceSize + 1), inside(height - kFaceSize + 1)});
    }
    for (int i = 0; i < kSplatsPerFrame; ++i) {
      f.blobs.push_back({{inside(width), inside(height)}, 1 + i % 3});
    }
    f.cursor = {inside(width), inside(height)};
  }
  return frames;
}

// Something desktop-like to draw over: gradients with a little texture.
gdi::Bitmap desktop(int width, int height) {
  gdi::Bitmap b(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      b.at(x, y) = gdi::rgb(x * 255 / width, y * 255 / height, (x ^ y) & 0x3F);
    }
  }
  return b;
}

// --- Ours ----------------------------------------------------------------------

gdi::HDC surfaceOf(const gdi::Bitmap& pixels) {
  gdi::HDC dc = gdi::CreateCompatibleDC(0);
  gdi::HBITMAP bmp = gdi::CreateBitmapFromPixels(pixels);
  gdi::SelectObject(dc, bmp);
  gdi::DeleteObject(bmp);
  return dc;
}

struct OurScene {
  gdi::HDC background = 0, window = 0, faceMask = 0, cursorMask = 0;
  gdi::HDC faces[5] = {};
  gdi::HDC blobImage[3] = {}, blobMask[3] = {};
  mutable std::vector<gdi::MaskedSprite> sprites;

  OurScene(int width, int height) {
    background = surfaceOf(desktop(width, height));
    window = surfaceOf(gdi::Bitmap(width, height));
    for (int i = 0; i < 5; ++i) {
      faces[i] =
          surfaceOf(images::picture(static_cast<ImageId>(static_cast<int>(ImageId::Grinzo1) + i)));
    }
    faceMask = surfaceOf(images::picture(ImageId::GrinzoMask));
    cursorMask = surfaceOf(images::picture(ImageId::CursorMask));
    for (int t = 0; t < 3; ++t) {
      blobImage[t] = surfaceOf(images::picture(kBlobShapes[t].image));
      blobMask[t] = surfaceOf(images::picture(kBlobShapes[t].mask));
    }
  }
  ~OurScene() {
    for (gdi::HDC dc : {background, window, faceMask, cursorMask}) gdi::DeleteDC(dc);
    for (int i = 0; i < 5; ++i) gdi::DeleteDC(faces[i]);
    for (int t = 0; t < 3; ++t) gdi::DeleteDC(blobImage[t]), gdi::DeleteDC(blobMask[t]);
  }

  // `reference`: the plain composition, for the check: every pixel of the
  // background copied (as if the window image had been redrawn behind
  // BitBlt's back) and every face drawn with its two transfers in turn.
  void compose(const Frame& f, int width, int height, bool reference = false) const {
    using gdi::BitBlt;
    for (const Blob& b : f.blobs) {
      const BlobShape& s = kBlobShapes[b.type - 1];
      const int x = b.at.x - s.dx, y = b.at.y - s.dy;
      BitBlt(background, x, y, s.width, s.height, blobMask[b.type - 1], 1, 0, gdi::SRCAND);
      BitBlt(background, x, y, s.width, s.height, blobImage[b.type - 1], 1, 0, gdi::SRCPAINT);
    }
    if (reference) {
      gdi::SurfaceBitmap(window);
      BitBlt(window, 0, 0, width, height, background, 0, 0, gdi::SRCCOPY);
      for (std::size_t i = 0; i < f.faces.size(); ++i) {
        const Point p = f.faces[i];
        BitBlt(window, p.x, p.y, kFaceSize, kFaceSize, faceMask, 0, 0, gdi::SRCAND);
        BitBlt(window, p.x, p.y, kFaceSize, kFaceSize, faces[i % 5], 0, 0, gdi::SRCPAINT);
      }
    } else {
      sprites.clear();
      for (std::size_t i = 0; i < f.faces.size(); ++i) {
        const Point p = f.faces[i];
        sprites.push_back({p.x, p.y, kFaceSize, kFaceSize, faceMask, faces[i % 5], 0, 0});
      }
      gdi::CopyAndDrawSprites(window, 0, 0, width, height, background, 0, 0, sprites.data(),
                              sprites.size());
    }
    // The crosshair picture handle is 0 in the game, so its OR draws nothing.
    BitBlt(window, f.cursor.x - 10, f.cursor.y - 10, 24, 21, cursorMask, 0, 0, gdi::SRCAND);
    BitBlt(window, f.cursor.x - 10, f.cursor.y - 10, 24, 21, 0, 0, 0, gdi::SRCPAINT);
  }
};

// --- The game's own path -----------------------------------------------------

std::string gProgramFolder;  // holds "mouseicon.ico"

struct GameScene {
  std::unique_ptr<headless::HeadlessPlatform> platform;
  std::unique_ptr<game::frmGrinzo> window;
  rt::RandomSource random;
  std::vector<std::shared_ptr<sprites::CGrinzo>> faces;  // in the collection's order

  GameScene(int width, int height, int faceCount) {
    headless::HeadlessOptions o;
    o.screen.primary = {0, 0, width, height};
    o.screen.virtualScreen = o.screen.primary;
    o.programFolder = gProgramFolder;
    o.userDataFolder = (std::filesystem::temp_directory_path() / "grinzo-bench").string();
    platform = std::make_unique<headless::HeadlessPlatform>(o);
    platform->setDesktop(desktop(width, height));
    platform->setSetting(rt::kAppTitle, "Settings", "Faces", std::to_string(faceCount));
    window = std::make_unique<game::frmGrinzo>(*platform, false, random);
    start::showFullScreen(*window);
    window->StartLoop();  // the first level makes the faces
    const sprites::CGrinzos& collection = *window->faces();
    int i = 0;
    for (const auto& face : collection) {
      // The same picture as the bare scene's face of that index.
      face->Create(collection.picture(i++ % 5 + 1), collection.maskSurface(), 30, 30);
      faces.push_back(face);
    }
  }

  void compose(const Frame& f) {
    for (std::size_t i = 0; i < faces.size(); ++i) {
      faces[i]->X = static_cast<std::int16_t>(f.faces[i].x);
      faces[i]->Y = static_cast<std::int16_t>(f.faces[i].y);
    }
    sprites::CBlobs& blobs = game::FrmGrinzoProbe::blobs(*window);
    for (const Blob& b : f.blobs) {
      blobs.Add(static_cast<std::int16_t>(b.type), static_cast<std::int16_t>(b.at.x),
                static_cast<std::int16_t>(b.at.y));
    }
    game::FrmGrinzoProbe::setCursor(*window, f.cursor.x, f.cursor.y);
    window->RefreshScreen();
  }
};

// --- SDL2 ----------------------------------------------------------------------

SDL_Surface* sdlSurfaceOf(const gdi::Bitmap& pixels, int keyRgb = -1) {
  SDL_Surface* s =
      SDL_CreateRGBSurfaceWithFormat(0, pixels.width, pixels.height, 32, SDL_PIXELFORMAT_RGB888);
  if (!s) {
    std::fprintf(stderr, "SDL_CreateRGBSurfaceWithFormat: %s\n", SDL_GetError());
    std::exit(1);
  }
  for (int y = 0; y < pixels.height; ++y) {
    std::memcpy(static_cast<std::uint8_t*>(s->pixels) + static_cast<std::size_t>(y) * s->pitch,
                &pixels.pixels[static_cast<std::size_t>(y) * pixels.width],
                static_cast<std::size_t>(pixels.width) * 4);
  }
  if (keyRgb >= 0) {
    SDL_SetColorKey(s, SDL_TRUE,
                    SDL_MapRGB(s->format, gdi::red(static_cast<gdi::Pixel>(keyRgb)),
                               gdi::green(static_cast<gdi::Pixel>(keyRgb)),
                               gdi::blue(static_cast<gdi::Pixel>(keyRgb))));
  }
  return s;
}

struct SdlScene {
  SDL_Surface *background, *window, *cursor;
  SDL_Surface* faces[5];
  SDL_Surface* blobs[3];

  SdlScene(int width, int height) {
    background = sdlSurfaceOf(desktop(width, height));
    window = sdlSurfaceOf(gdi::Bitmap(width, height));
    for (int i = 0; i < 5; ++i) {
      faces[i] = sdlSurfaceOf(
          images::picture(static_cast<ImageId>(static_cast<int>(ImageId::Grinzo1) + i)), 0);
    }
    cursor = sdlSurfaceOf(images::picture(ImageId::CursorMask), 0xFFFFFF);
    for (int t = 0; t < 3; ++t) blobs[t] = sdlSurfaceOf(images::picture(kBlobShapes[t].image), 0);
  }
  ~SdlScene() {
    for (SDL_Surface* s : {background, window, cursor}) SDL_FreeSurface(s);
    for (SDL_Surface* s : faces) SDL_FreeSurface(s);
    for (SDL_Surface* s : blobs) SDL_FreeSurface(s);
  }

  void compose(const Frame& f) const {
    for (const Blob& b : f.blobs) {
      const BlobShape& s = kBlobShapes[b.type - 1];
      SDL_Rect src{1, 0, s.width, s.height};
      SDL_Rect dst{b.at.x - s.dx, b.at.y - s.dy, s.width, s.height};
      SDL_BlitSurface(blobs[b.type - 1], &src, background, &dst);
    }
    SDL_BlitSurface(background, nullptr, window, nullptr);
    for (std::size_t i = 0; i < f.faces.size(); ++i) {
      SDL_Rect dst{f.faces[i].x, f.faces[i].y, kFaceSize, kFaceSize};
      SDL_BlitSurface(faces[i % 5], nullptr, window, &dst);
    }
    SDL_Rect dst{f.cursor.x - 10, f.cursor.y - 10, 24, 21};
    SDL_BlitSurface(cursor, nullptr, window, &dst);
  }
};

// --- Measurement ---------------------------------------------------------------

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template <typename F>
double timeMs(F&& f) {
  const auto start = Clock::now();
  f();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Result {
  double copy, ours, sdl, game;
  int frames;          // measured per contender
  double changesOnly;  // share of our background copies that moved only the changes
};

// Composes the first frames twice, once as measured and once with every
// background copy a full one, and stops the benchmark if any pixel differs:
// the figures of a frame that is not the game's frame would mean nothing.
// Returns the share of the measured scene's copies that moved only changes.
double checkAgainstFullCopies(const OurScene& ours, const std::vector<Frame>& frames, int width,
                              int height, int count = 2 * kFrameSets) {
  const OurScene reference(width, height);
  int changes = 0;
  for (int i = 0; i < count; ++i) {
    const gdi::CopyCounts before = gdi::CopyCountsSoFar();
    ours.compose(frames[i % kFrameSets], width, height);
    changes += static_cast<int>(gdi::CopyCountsSoFar().changes - before.changes);
    reference.compose(frames[i % kFrameSets], width, height, true);
    if (!(*gdi::SurfacePixels(ours.window) == *gdi::SurfacePixels(reference.window))) {
      std::fprintf(stderr, "FATAL: %dx%d, %zu faces, frame %d differs from the plain composition\n",
                   width, height, frames[0].faces.size(), i);
      std::abort();
    }
  }
  return static_cast<double>(changes) / count;
}

// The game's frames must be the plain composition's, pixel for pixel.
void checkGameAgainstOurs(GameScene& game, const std::vector<Frame>& frames, int width, int height,
                          int count = 2 * kFrameSets) {
  const OurScene reference(width, height);
  for (int i = 0; i < count; ++i) {
    game.compose(frames[i % kFrameSets]);
    reference.compose(frames[i % kFrameSets], width, height, true);
    if (!(*gdi::SurfacePixels(game.window->hDC()) == *gdi::SurfacePixels(reference.window))) {
      std::fprintf(stderr, "FATAL: %dx%d, %zu faces, the game's frame %d differs\n", width, height,
                   frames[0].faces.size(), i);
      std::abort();
    }
  }
}

Result measure(int width, int height, int faceCount, double seconds) {
  const std::vector<Frame> frames = makeFrames(width, height, faceCount);
  const OurScene ours(width, height);
  const SdlScene sdl(width, height);
  const std::size_t bytes = static_cast<std::size_t>(width) * height * 4;
  std::vector<std::uint8_t> from(bytes, 0x5A), to(bytes);
  const double changesOnly = checkAgainstFullCopies(ours, frames, width, height);
  GameScene game(width, height, faceCount);
  checkGameAgainstOurs(game, frames, width, height);

  // Each contender runs a block of consecutive frames, as a game would, so
  // that it finds the caches the way its own previous frame left them; the
  // first frames of a block only warm up. Blocks alternate until the time is
  // up, so that a noisy machine disturbs all three alike.
  constexpr int kBlock = 8, kWarm = 2;
  std::vector<double> copyMs, oursMs, sdlMs, gameMs;
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  int frame = 0;
  for (int round = 0; round < 3 || (Clock::now() < deadline && round < 1000); ++round) {
    for (int i = 0; i < kBlock; ++i) {
      const double ms = timeMs([&] { std::memcpy(to.data(), from.data(), bytes); });
      if (i >= kWarm) copyMs.push_back(ms);
    }
    for (int i = 0; i < kBlock; ++i) {
      const Frame& f = frames[frame++ % kFrameSets];
      const double ms = timeMs([&] { ours.compose(f, width, height); });
      if (i >= kWarm) oursMs.push_back(ms);
    }
    for (int i = 0; i < kBlock; ++i) {
      const Frame& f = frames[frame++ % kFrameSets];
      const double ms = timeMs([&] { sdl.compose(f); });
      if (i >= kWarm) sdlMs.push_back(ms);
    }
    for (int i = 0; i < kBlock; ++i) {
      const Frame& f = frames[frame++ % kFrameSets];
      const double ms = timeMs([&] { game.compose(f); });
      if (i >= kWarm) gameMs.push_back(ms);
    }
  }
  volatile std::uint8_t sink = to[bytes / 2];
  (void)sink;
  return {median(copyMs),
          median(oursMs),
          median(sdlMs),
          median(gameMs),
          static_cast<int>(copyMs.size()),
          changesOnly};
}

}  // namespace

// --check: every configuration's first frames against the plain
// composition, with each set of vector instructions this processor has;
// nothing timed. Four frames: the first copies everything, the later ones
// repeat the copy and erase the faces before them.
int checkOnly(const std::vector<int>& faceCounts) {
  using gdi::paths::Vectors;
  const struct { int width, height; } sizes[] = {{1920, 1080}, {3840, 2160}};
  for (const Vectors v : {Vectors::None, Vectors::Avx2, Vectors::Avx512}) {
    if (gdi::paths::limitVectors(v) != v) {
      std::printf("SKIPPED: the %s path, which this processor lacks\n", gdi::paths::vectorsName(v));
      continue;
    }
    const gdi::paths::PathCounts before = gdi::paths::PathCountsSoFar();
    for (const auto& size : sizes) {
      for (int faces : faceCounts) {
        const std::vector<Frame> frames = makeFrames(size.width, size.height, faces);
        const OurScene ours(size.width, size.height);
        constexpr int kFrames = 4;
        checkAgainstFullCopies(ours, frames, size.width, size.height, kFrames);
        GameScene game(size.width, size.height, faces);
        checkGameAgainstOurs(game, frames, size.width, size.height, kFrames);
      }
    }
    const gdi::paths::PathCounts after = gdi::paths::PathCountsSoFar();
    std::printf("checked, vectors %s; batches by path:", gdi::paths::vectorsName(v));
    for (int p = 0; p < gdi::paths::kPaths; ++p) {
      std::printf(" %llu", static_cast<unsigned long long>(after.batches[p] - before.batches[p]));
    }
    std::printf("\n");
    std::fflush(stdout);
  }
  return 0;
}

// --profile=WxH: only our composition at that size, frame after frame, for
// a profiler to look at; prints the median frame.
int profileOnly(int width, int height, int faces, double seconds) {
  const std::vector<Frame> frames = makeFrames(width, height, faces);
  const OurScene ours(width, height);
  checkAgainstFullCopies(ours, frames, width, height, 2);
  std::vector<double> ms;
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  for (int i = 0; Clock::now() < deadline; ++i) {
    const Frame& f = frames[i % kFrameSets];
    ms.push_back(timeMs([&] { ours.compose(f, width, height); }));
  }
  std::printf(
      "%dx%d %d faces, vectors %s, bands of %zu pixels: ours %.3f ms (median of %zu frames)\n",
      width, height, faces, gdi::paths::vectorsName(gdi::paths::vectorsInUse()),
      gdi::paths::tuning().bandPixels, median(ms), ms.size());
  return 0;
}

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // A row's figures must not depend on the rows before it. glibc serves a
  // large block from a fresh mapping, but after freeing one it raises that
  // threshold to the freed size, so from the second row on the window-sized
  // pictures would come from the heap instead, laid out and backed by pages
  // differently (huge pages among them: the program asks for them as the
  // game does, large_pages.cpp). A fixed threshold gives every row fresh
  // mappings alike.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
  bool check = false;
  int profileWidth = 0, profileHeight = 0;
  unsigned long bandPixels = 0;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--check") {
      check = true;
    } else if (std::sscanf(a.c_str(), "--profile=%dx%d", &profileWidth, &profileHeight) == 2) {
    } else if (std::sscanf(a.c_str(), "--bands=%lu", &bandPixels) == 1 && bandPixels >= 8) {
      gdi::paths::Tuning t = gdi::paths::tuning();
      t.bandPixels = bandPixels;
      gdi::paths::tune(t);
    } else if (a == "--vectors=none") {
      gdi::paths::limitVectors(gdi::paths::Vectors::None);
    } else if (a == "--vectors=avx2") {
      gdi::paths::limitVectors(gdi::paths::Vectors::Avx2);
    } else if (a == "--vectors=avx512") {
      gdi::paths::limitVectors(gdi::paths::Vectors::Avx512);
    } else {
      args.push_back(a);
    }
  }
  const double seconds = !args.empty() ? std::atof(args[0].c_str()) : 1.0;
  std::vector<int> faceCounts;
  for (std::size_t i = 1; i < args.size(); ++i) faceCounts.push_back(std::atoi(args[i].c_str()));
  if (faceCounts.empty()) faceCounts = {10, 1000, 32767};
  if (!(seconds > 0)) {
    std::fprintf(stderr,
                 "usage: %s [--vectors=none|avx2|avx512] [--check | --profile=WxH] [--bands=N] "
                 "[seconds] [faces...]\n",
                 argv[0]);
    return 2;
  }
  std::error_code ignored;
  gProgramFolder = std::filesystem::absolute(argv[0], ignored).parent_path().string();
  if (check) return checkOnly(faceCounts);
  if (profileWidth > 0 && profileHeight > 0) {
    return profileOnly(profileWidth, profileHeight, faceCounts.back(), seconds);
  }
#ifndef __OPTIMIZE__
  std::printf("warning: built without optimisation; the figures mean little\n");
#endif
  SDL_version v;
  SDL_GetVersion(&v);
  std::printf(
      "one thread; SDL %d.%d.%d; the game's own pictures; %d splats per frame; vectors %s;\n"
      "bands of %zu pixels (second-level cache %zu KiB)\n\n",
      v.major, v.minor, v.patch, kSplatsPerFrame,
      gdi::paths::vectorsName(gdi::paths::vectorsInUse()), gdi::paths::tuning().bandPixels,
      gdi::paths::secondLevelCacheBytes() / 1024);
  std::printf("%-10s %6s %8s %9s %9s %9s %9s %9s %9s %9s %7s %8s\n", "window", "faces", "copy ms",
              "ours ms", "ours/copy", "SDL2 ms", "SDL2/copy", "ours/SDL2", "game ms", "game/ours",
              "frames", "changes");
  const struct { int width, height; } sizes[] = {{1920, 1080}, {3840, 2160}};
  for (const auto& size : sizes) {
    for (int faces : faceCounts) {
      const Result r = measure(size.width, size.height, faces, seconds);
      char name[32];
      std::snprintf(name, sizeof name, "%dx%d", size.width, size.height);
      std::printf("%-10s %6d %8.3f %9.3f %9.2f %9.3f %9.2f %9.2f %9.3f %9.2f %7d %7.0f%%\n", name,
                  faces, r.copy, r.ours, r.ours / r.copy, r.sdl, r.sdl / r.copy, r.ours / r.sdl,
                  r.game, r.game / r.ours, r.frames, 100 * r.changesOnly);
      std::fflush(stdout);
    }
  }
  return 0;
}
