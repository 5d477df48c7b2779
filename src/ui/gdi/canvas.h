#pragma once
// Inside the drawing surfaces: a bitmap's pixels with what is known about
// how they changed, shared by the block transfers (gdi.cpp) and the sprite
// batches (masked_sprites.cpp). Not for use outside src/ui/gdi.

#include <cstdint>
#include <vector>

#include "ui/gdi/gdi.h"

namespace grinzo::gdi::detail {

// Rectangles here always lie inside their bitmap.
using gdi::Rect;

// The last SRCCOPY onto a bitmap from another one, clipped: destination
// rectangle, source corner, and the epochs both logs had right after it.
struct Mirror {
  Rect to;
  int xSrc = 0, ySrc = 0;
  std::uint64_t srcEpoch = 0, dstEpoch = 0;  // epochs start at 1: 0 matches none
};

// Pixels and what is known about how they changed.
struct Canvas {
  Bitmap pixels;
  std::uint64_t epoch = 0;
  // Changes with every write, from the same counter as the epochs: equal
  // versions mean the same pixels.
  std::uint64_t version = 0;
  // Whether writes are logged: only while a mirror may still use the log.
  bool logging = false;
  std::vector<Rect> log;  // destination rectangles written in this epoch
  Mirror mirror;          // current when mirror.dstEpoch == epoch
  // What changed since TakeChangedArea last asked (once it has asked).
  bool showing = false;      // someone takes the changed area
  bool changedAll = true;    // too much to list, or not listed
  std::vector<Rect> damage;  // otherwise the rectangles written

  explicit Canvas(Bitmap b);
};

// The canvas of the bitmap selected into a live surface; nullptr otherwise.
Canvas* surfaceCanvas(HDC surface);

// A selected bitmap can be rewritten through SurfaceBitmap; one whose size no
// longer matches its pixels is treated as empty rather than read past its end.
bool consistent(const Bitmap& b);

// A block transfer of width x height pixels from (xSrc, ySrc) of `src` to
// (x, y) of `dst`, clipped to the part inside both bitmaps: the destination
// rectangle `to` and the source corner (xFrom, yFrom). False when nothing is
// left. Any int arguments are safe.
struct Clipped {
  Rect to;
  int xFrom = 0, yFrom = 0;
};
bool clipBlock(const Bitmap& dst, const Bitmap& src, int x, int y, int width, int height, int xSrc,
               int ySrc, Clipped& out);

// The pixels changed (a new version).
void changed(Canvas& c);

// Forgets the log under a new epoch, so that no mirror naming the old one
// matches any more. `keepLogging` when a mirror will name the new one.
void restartLog(Canvas& c, bool keepLogging);

// Enough for a 4K frame's faces up to the point where a full copy is cheaper
// anyway; 16 bytes each.
inline constexpr std::size_t kLogLimit = 4096;

// Records that `r` (already clipped) changed, for TakeChangedArea.
void damaged(Canvas& c, const Rect& r);
// Records that the whole bitmap may have changed.
void damagedAll(Canvas& c);

// Records that `r` (already clipped) was written. Consecutive writes of one
// rectangle take one entry. Past the limit, or without memory, the log gives
// up and the next mirror copy is a full one.
void noteWrite(Canvas& c, const Rect& r);

// `dst` now holds the copy of `to` from (xSrc, ySrc) of `src`: it becomes
// dst's mirror, and both logs start again.
void setMirror(Canvas& dst, Canvas& src, const Rect& to, int xSrc, int ySrc);

// Counts a full copy (CopyCountsSoFar).
void countFullCopy();

}  // namespace grinzo::gdi::detail
