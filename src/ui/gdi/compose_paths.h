#pragma once
// Which way a batch of masked sprites is drawn, and the thresholds that
// decide it, all in one place. Not for use outside src/ui/gdi and its tests.
//
// A batch (DrawMaskedSprites, or CopyAndDrawSprites with its background
// copy) is resolved into clipped transfers, then its figures choose one path
// (choosePath):
//
//  | a sprite reads | every sprite | sprite area per  | with a  | vectors | path
//  | the window     | simple       | window pixel     | copy    |         |
//  |----------------|--------------|------------------|---------|---------|----------------
//  | yes            |              |                  |         |         | OneByOne
//  | no             |              | < 1/4            |         |         | InOrder
//  | no             | no           | >= 1/4           | no      |         | InOrder
//  | no             | no           | >= 1/4           | yes     |         | InOrderBanded
//  | no             | yes          | 1/4 .. 2         | no      |         | InOrder
//  | no             | yes          | 1/4 .. 2         | yes     |         | InOrderBanded
//  | no             | yes          | >= 2             |         | AVX-512 | TopDownAvx512
//  | no             | yes          | >= 2             |         | AVX2    | TopDownAvx2
//  | no             | yes          | >= tile depth 8  |         | none    | TopDownTiled
//  | no             | yes          | 2 .. 8           |         | none    | TopDownPlain
//
// "Simple": every pixel of the sprite is opaque, clear or inert
// (sprite_batch.h); a sprite wider than kMaxShapeWidth or taller than
// kMaxShapeHeight has no shape and is never simple. Orthogonal to the path:
//  - a crowd (more than kCrowdSprites sprites of simple kinds, deep enough)
//    goes straight into the top-down bands without the list of transfers;
//  - the top-down bands' buffer takes at most half the processor's
//    second-level cache (bandPixelsFor);
//  - the vector paths, and TopDownPlain (whose buffer holds every pixel),
//    write a window of streamPixels() or more past the cache (non-temporal
//    stores), as a copy of that size always is;
//  - the InOrder copy moves only what changed when it can (gdi.cpp), unless
//    the changes exceed 1 / kChangedShareLimit of it.

#include <cstddef>
#include <cstdint>

namespace grinzo::gdi::paths {

// --- Thresholds, each named for its reason ------------------------------------

// From this much sprite area per window pixel on, drawing from the top down
// pays: below it most of every sprite is seen anyway.
inline constexpr std::int64_t kTopDownDepth = 2;
// Past 1 / kChangedShareLimit of a copy's area, its changes' scattered short
// rows cost more than one pass over everything (1080p with 43% changed:
// 1.0 ms against 0.8 ms for the full copy), so the copy is a whole one. And
// sprites drawn in order over at least that share of the window make the
// next copy a whole one anyway, so theirs goes band by band with them, each
// band still in the cache when its sprites are drawn.
inline constexpr std::int64_t kChangedShareLimit = 4;
// More sprites than this are resolved straight into the top-down bands when
// the first one's kind allows it: the list of transfers would cost 56 bytes
// a sprite for nothing.
inline constexpr std::size_t kCrowdSprites = 4096;
// A shape's row is one 64-bit word read at any bit offset (an unaligned
// 8-byte load shifted by up to 7: 57 bits), and a piece's rows that show
// are one 64-bit word of flags.
inline constexpr int kMaxShapeWidth = 56;
inline constexpr int kMaxShapeHeight = 64;
// Pixels per top-down band, at most: the band's buffer (1 MiB) stays in the
// processor's second-level cache while every sprite over it is drawn, and a
// band is tall enough that few sprites are cut in two. Measured with 32767
// faces: 2^18 against 2^19 took 2.4-2.5 ms against 3.3-3.4 at 1920x1080 and
// 7.2-7.3 against 10.1-10.4 at 3840x2160 with AVX-512, 3.0-3.1 against 3.5
// and 10.3-10.9 against 11.0-11.6 with AVX2, and no worse on the plain path;
// 2^16 and 2^17 were no better. Sprites drawn in order go in bands of half
// that, which the cache holds easily beside the sprites.
inline constexpr std::size_t kBandPixels = std::size_t{1} << 18;
// ... and at least: thinner bands cut most sprites in two (2^15, 16 rows at
// 1920x1080, took 32767 faces from 2.4-2.5 to 2.9-3.1 ms with AVX2).
inline constexpr std::size_t kMinBandPixels = std::size_t{1} << 16;
// The band for a processor whose second-level cache holds `cacheBytes` per
// core (0: unknown): the largest power of two from kMinBandPixels to
// kBandPixels whose buffer takes at most half of it. Many processors have
// less than the 2 MiB the figures above come from (512 KiB on many AMD
// ones, 1-1.25 MiB on recent Intel desktops), and a buffer as large as the
// cache or twice it, measured here with bands of 2^19 and 2^20 pixels,
// took 32767 faces at 1920x1080 with AVX2 from 2.4-2.5 ms to 2.9 and
// 3.1-3.3.
constexpr std::size_t bandPixelsFor(std::size_t cacheBytes) {
  std::size_t pixels = kBandPixels;
  constexpr std::size_t kPixelBytes = 4;
  while (cacheBytes != 0 && pixels > kMinBandPixels && 2 * kPixelBytes * pixels > cacheBytes) {
    pixels >>= 1;
  }
  return pixels;
}
// This processor's second-level cache per core, in bytes; 0 where unknown.
std::size_t secondLevelCacheBytes();
inline constexpr int kInOrderBandShift = 1;  // kBandPixels >> 1
// From this many pixels on (16 MiB, a 4K window is 33 MB), a window would
// not stay in the cache anyway: it is written past it.
inline constexpr std::size_t kStreamPixels = std::size_t{1} << 22;
// Sprite area per window pixel from which the plain top-down code keeps one
// bit per 8 x 8 tile that is wholly hidden: deep crowds lie mostly under
// others, and a sprite's tiles are fewer tests than its rows. The vector
// paths test several rows at once and gain nothing from them.
inline constexpr std::int64_t kTileDepth = 8;
// Sprites drawn in order take the vector kernels from this width on (a row
// is whole vectors, the last one overlapping the ones before).
inline constexpr int kWideApplyMinWidth = 16;
// A vector path reads all of a background row in order (asked for ahead,
// see below) when the crowd is shallower than kReadAllDepth sprites per
// window pixel, where much of it shows; in a deeper crowd, when at least 1
// in kReadAllShare of the row's 56-pixel words shows some of it, else only
// the 16-pixel blocks that show. Reading every row of a shallow crowd whole,
// by a loop made for that (no test per block), took 3840x2160 with 32767
// faces (depth 3.5) from 7.3 to 7.0 ms with AVX2 (median of seven
// alternating runs), and changed nothing at 1920x1080 (depth 14).
inline constexpr int kReadAllShare = 8;
inline constexpr std::int64_t kReadAllDepth = 8;
// How far ahead of the pixel being merged a vector path asks for the
// background row it reads in order (4 KiB): the processor's own fetching
// ahead does not keep up beside the band's buffer and the stores past the
// cache. At 3840x2160 with 32767 faces and AVX2 it took the frame from
// 9.2-9.7 ms to 7.8-8.2 (512 and 2048 pixels ahead measured about the same,
// 4096 no better); at 1920x1080, where little background shows, it changes
// nothing.
inline constexpr int kReadAheadPixels = 1024;

// --- The tuning hook ------------------------------------------------------------

// The sizes behind the thresholds, which tests shrink so that a small window
// takes every path: many bands, pieces across their edges, streaming, tiles.
struct Tuning {
  std::size_t bandPixels = kBandPixels;  // the game's: bandPixelsFor(secondLevelCacheBytes())
  std::size_t streamPixels = kStreamPixels;
  std::int64_t tileDepth = kTileDepth;
};
const Tuning& tuning();
// Sets the tuning; returns the one before. For tests only.
Tuning tune(const Tuning& t);
inline std::size_t streamPixels() { return tuning().streamPixels; }

// --- The vector instructions ----------------------------------------------------

enum class Vectors : std::uint8_t { None, Avx2, Avx512 };
// The widest vectors this processor has that this build can use.
Vectors vectorsAvailable();
// The vectors the batches use: the widest available up to `most` (tests and
// the benchmark draw the same frames with each). Returns that choice.
Vectors limitVectors(Vectors most);
Vectors vectorsInUse();
const char* vectorsName(Vectors v);

// --- The choice -------------------------------------------------------------------

enum class Path : std::uint8_t {
  OneByOne,       // each sprite's two transfers in turn
  InOrder,        // after the copy, each sprite in one pass over its rows
  InOrderBanded,  // the copy and the sprites in order, band by band
  TopDownPlain,   // from the topmost down over the band's background read first
  TopDownTiled,   // the same with wholly hidden tiles skipped
  TopDownAvx2,    // from the topmost down with 256-bit vectors
  TopDownAvx512,  // the same with 512-bit vectors
};
inline constexpr int kPaths = 7;

struct Figures {
  bool fromItself = false;  // a sprite reads the destination
  bool allSimple = false;   // every sprite has a simple shape
  bool withCopy = false;    // the background is copied under the sprites
  std::int64_t spriteArea = 0;
  std::int64_t windowArea = 1;
  Vectors vectors = Vectors::None;
};

constexpr bool isTopDown(Path p) { return p >= Path::TopDownPlain; }

constexpr Path choosePath(const Figures& f, std::int64_t tileDepth = kTileDepth) {
  if (f.fromItself) return Path::OneByOne;
  const bool shallow = f.spriteArea * kChangedShareLimit < f.windowArea;
  if (shallow) return Path::InOrder;
  if (!f.allSimple || f.spriteArea < kTopDownDepth * f.windowArea) {
    return f.withCopy ? Path::InOrderBanded : Path::InOrder;
  }
  switch (f.vectors) {
    case Vectors::Avx512:
      return Path::TopDownAvx512;
    case Vectors::Avx2:
      return Path::TopDownAvx2;
    case Vectors::None:
      break;
  }
  return f.spriteArea >= tileDepth * f.windowArea ? Path::TopDownTiled : Path::TopDownPlain;
}

// --- What was drawn which way ----------------------------------------------------

// Counted as batches are drawn, so that tests can see every path reached.
struct PathCounts {
  std::uint64_t batches[kPaths] = {};
  std::uint64_t crowds = 0;         // batches resolved straight into the bands
  std::uint64_t oversize = 0;       // sprites too large for a shape
  std::uint64_t splitPieces = 0;    // top-down pieces cut by a band's edge
  std::uint64_t streamedBands = 0;  // top-down bands written past the cache
  std::uint64_t clearedBands = 0;   // top-down bands whose clear pixels were applied
  std::uint64_t wideInOrder = 0;    // in-order sprites drawn with vector kernels
};
PathCounts& pathCounts();
inline PathCounts PathCountsSoFar() { return pathCounts(); }

}  // namespace grinzo::gdi::paths
