// Surfaces, bitmap objects and block transfers.
//
// Every object lives in one process-wide table indexed by handle - 1. Slots
// are never reused, so a stale handle can only ever name a dead slot, and a
// lookup is one bounds check and one load. Bitmaps are held by shared_ptr: a
// surface keeps its selected bitmap alive even after the bitmap's handle has
// been given up, which is how a picture loaded from a file stays reachable
// only through its surface.
//
// BitBlt is the per-frame hot path (a full-window copy plus two transfers per
// face): all clipping is done once per call, then tight row loops run with no
// per-pixel checks and no allocation. See docs/PERFORMANCE.md for figures.
//
// Repeated copies. A frame copies the whole background onto the window image,
// which still holds the previous frame: that same background plus a few faces
// and splats. So each bitmap keeps a short log of the rectangles BitBlt wrote
// to it, and a destination remembers its last SRCCOPY between two bitmaps
// (its "mirror"). When the next SRCCOPY repeats it - same source, same clipped
// rectangle - and neither log was broken in between, the pixels that can
// differ lie in the destination's logged rectangles plus the source's logged
// rectangles moved by the copy's offset; only those are copied. The result is
// exactly that of a full copy.
//
// Logs are identified by epochs, numbers drawn from one counter that never
// repeats. Whenever a log stops being complete - it overflows, or its pixels
// are handed out for writing through SurfaceBitmap - the bitmap gets a new
// epoch, and a mirror that names the old one no longer matches. A bitmap that
// is freed and another allocated in its memory therefore cannot be mistaken
// for each other, and selecting bitmaps in and out of surfaces needs no care:
// the log and the mirror travel with the bitmap. Each mirror copy restarts
// the logs of both its bitmaps (only that mirror reads them), which bounds
// them by what is drawn between two frames.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "ui/gdi/canvas.h"
#include "ui/gdi/compose_paths.h"
#include "ui/gdi/gdi.h"
#include "ui/gdi/row_kernels.h"

namespace grinzo::gdi {

using detail::Canvas;
using detail::changed;
using detail::consistent;
using detail::kLogLimit;
using detail::Mirror;
using detail::noteWrite;
using detail::restartLog;
using detail::surfaceCanvas;

namespace {

enum class Kind : std::uint8_t { Dead, Surface, BitmapObject };

struct Entry {
  Kind kind = Kind::Dead;
  // Surface: the handle of its selected bitmap (0 for its initial 1 x 1 one).
  // Bitmap object: the surface it is selected into, or 0.
  Handle link = 0;
  // Surface: its selected bitmap. Bitmap object: its pixels.
  std::shared_ptr<Canvas> bitmap;
};

struct Table {
  std::vector<Entry> entries;
  int liveCount = 0;
  std::uint64_t lastEpoch = 0;
  CopyCounts copies;

  Entry* find(Handle h, Kind kind) {
    if (h <= 0 || static_cast<std::size_t>(h) > entries.size()) return nullptr;
    Entry& e = entries[static_cast<std::size_t>(h) - 1];
    return e.kind == kind ? &e : nullptr;
  }

  // 0 when the handle space is exhausted or memory runs out.
  Handle add(Kind kind, std::shared_ptr<Canvas> bitmap) {
    if (entries.size() >= static_cast<std::size_t>(std::numeric_limits<Handle>::max())) return 0;
    try {
      entries.push_back(Entry{kind, 0, std::move(bitmap)});
    } catch (const std::bad_alloc&) {
      return 0;
    }
    ++liveCount;
    return static_cast<Handle>(entries.size());
  }

  void kill(Entry& e) {
    e.kind = Kind::Dead;
    e.link = 0;
    e.bitmap.reset();
    --liveCount;
  }
};

// Never destroyed: objects held by other static objects may still be
// released while the process exits.
Table& table() {
  static Table* t = new Table;
  return *t;
}

}  // namespace

namespace detail {

Canvas::Canvas(Bitmap b)
    : pixels(std::move(b)), epoch(++table().lastEpoch), version(++table().lastEpoch) {}

void changed(Canvas& c) { c.version = ++table().lastEpoch; }

// Forgets the log under a new epoch, so that no mirror naming the old one
// matches any more. `keepLogging` when a mirror will name the new one.
void restartLog(Canvas& c, bool keepLogging) {
  c.epoch = ++table().lastEpoch;
  c.log.clear();
  c.logging = keepLogging;
}

// Records that BitBlt wrote `r` (already clipped). A sprite's AND and OR hit
// the same rectangle and take one entry. Past the limit, or without memory,
// the log gives up and the next mirror copy is a full one.
void damaged(Canvas& c, const Rect& r) {
  // Enough for a frame of a few hundred sprites; more are sent whole.
  constexpr std::size_t kDamageLimit = 512;
  if (!c.showing || c.changedAll || (!c.damage.empty() && c.damage.back() == r)) return;
  if (c.damage.size() >= kDamageLimit) {
    damagedAll(c);
    return;
  }
  try {
    c.damage.push_back(r);
  } catch (const std::bad_alloc&) {
    damagedAll(c);
  }
}

void damagedAll(Canvas& c) {
  c.changedAll = true;
  c.damage.clear();
}

void noteWrite(Canvas& c, const Rect& r) {
  changed(c);
  damaged(c, r);
  if (!c.logging || (!c.log.empty() && c.log.back() == r)) return;
  if (c.log.size() >= kLogLimit) {
    restartLog(c, false);
    return;
  }
  try {
    c.log.push_back(r);
  } catch (const std::bad_alloc&) {
    restartLog(c, false);
  }
}

// A selected bitmap can be rewritten through SurfaceBitmap; one whose size no
// longer matches its pixels is treated as empty rather than read past its end.
bool consistent(const Bitmap& b) {
  return b.width > 0 && b.height > 0 &&
         static_cast<std::uint64_t>(b.pixels.size()) >=
             static_cast<std::uint64_t>(b.width) * static_cast<std::uint64_t>(b.height);
}

Canvas* surfaceCanvas(HDC surface) {
  Entry* s = table().find(surface, Kind::Surface);
  return s ? s->bitmap.get() : nullptr;
}

namespace {

// Narrows [pos, pos + len) on both bitmaps to the part inside both. Works in
// 64 bits so that no combination of int arguments can overflow.
bool clipAxis(std::int64_t& dst, std::int64_t& src, std::int64_t& len, std::int64_t dstLimit,
              std::int64_t srcLimit) {
  const std::int64_t skip = std::max<std::int64_t>({0, -dst, -src});
  dst += skip;
  src += skip;
  len -= skip;
  len = std::min({len, dstLimit - dst, srcLimit - src});
  return len > 0;
}

}  // namespace

bool clipBlock(const Bitmap& dst, const Bitmap& src, int x, int y, int width, int height, int xSrc,
               int ySrc, Clipped& out) {
  std::int64_t dx = x, sx = xSrc, w = width;
  std::int64_t dy = y, sy = ySrc, h = height;
  if (!clipAxis(dx, sx, w, dst.width, src.width) || !clipAxis(dy, sy, h, dst.height, src.height)) {
    return false;
  }
  out = Clipped{
      Rect{static_cast<int>(dx), static_cast<int>(dy), static_cast<int>(w), static_cast<int>(h)},
      static_cast<int>(sx), static_cast<int>(sy)};
  return true;
}

void countFullCopy() { ++table().copies.full; }

void setMirror(Canvas& dst, Canvas& src, const Rect& to, int xSrc, int ySrc) {
  restartLog(dst, true);
  restartLog(src, true);
  dst.mirror = Mirror{to, xSrc, ySrc, src.epoch, dst.epoch};
}

}  // namespace detail

namespace {

bool validSide(int side) { return side >= 1 && side <= kMaxBitmapSide; }

std::shared_ptr<Canvas> makeBitmap(int width, int height) {
  try {
    return std::make_shared<Canvas>(Bitmap(width, height));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// --- Row kernels (row_kernels.h) -------------------------------------------------

constexpr auto kAnd = [](auto a, auto b) { return a & b; };
constexpr auto kOr = [](auto a, auto b) { return a | b; };

// The two rows must not overlap.
template <typename Op>
inline void combineRow(Pixel* d, const Pixel* s, int n, Op op) {
  int i = 0;
#ifdef GRINZO_PIXELS4
  using detail::load4;
  using detail::store4;
  for (; i + 8 <= n; i += 8) {
    store4(d + i, op(load4(d + i), load4(s + i)));
    store4(d + i + 4, op(load4(d + i + 4), load4(s + i + 4)));
  }
  if (i + 4 <= n) {
    store4(d + i, op(load4(d + i), load4(s + i)));
    i += 4;
  }
#endif
  for (; i < n; ++i) d[i] = op(d[i], s[i]);
}

// AND and OR must read the destination: the rows a few ahead are asked for
// so that their misses overlap.
constexpr int kPrefetchRows = 12;

template <typename Op>
void combineRows(Pixel* d, std::ptrdiff_t dStep, const Pixel* s, std::ptrdiff_t sStep, int rows,
                 int n, Op op) {
  using detail::prefetchForWriting;
  for (int r = 0; r < rows && r < kPrefetchRows; ++r) prefetchForWriting(d + r * dStep, n);
  for (int r = 0; r < rows; ++r, d += dStep, s += sStep) {
    if (r + kPrefetchRows < rows) prefetchForWriting(d + kPrefetchRows * dStep, n);
    combineRow(d, s, n, op);
  }
}

// A block between two different bitmaps (they cannot overlap).
void copyBlock(Pixel* d, std::ptrdiff_t dStride, const Pixel* s, std::ptrdiff_t sStride, int n,
               int rows) {
  const std::size_t count = static_cast<std::size_t>(n) * static_cast<std::size_t>(rows);
  const bool contiguous = n == dStride && n == sStride;
  if (count >= paths::streamPixels()) {
    using detail::copyStreaming;
    if (contiguous) {
      copyStreaming(d, s, count);
    } else {
      for (int r = 0; r < rows; ++r, d += dStride, s += sStride) {
        copyStreaming(d, s, static_cast<std::size_t>(n));
      }
    }
    detail::endStreaming();
  } else if (contiguous) {
    std::memcpy(d, s, count * sizeof(Pixel));
  } else {
    const std::size_t bytes = static_cast<std::size_t>(n) * sizeof(Pixel);
    for (int r = 0; r < rows; ++r, d += dStride, s += sStride) std::memcpy(d, s, bytes);
  }
}

// Empty (width 0) when they do not meet.
Rect intersect(const Rect& a, const Rect& b) {
  const int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  const int x1 = std::min(a.x + a.width, b.x + b.width);
  const int y1 = std::min(a.y + a.height, b.y + b.height);
  return x1 > x0 && y1 > y0 ? Rect{x0, y0, x1 - x0, y1 - y0} : Rect{};
}

// Repeats `dst`'s mirror copy by copying only the rectangles written to
// either bitmap since it. False, with nothing copied, when this copy is not a
// repeat of the mirror, a log is broken, or the changes are too large.
// Overlapping changes are simply copied twice.
bool copyChanges(Canvas& dst, const Canvas& src, const Rect& to, int xSrc, int ySrc) {
  const Mirror& m = dst.mirror;
  if (m.dstEpoch != dst.epoch || m.srcEpoch != src.epoch || m.to != to || m.xSrc != xSrc ||
      m.ySrc != ySrc) {
    return false;
  }
  // Every coordinate lies within kMaxBitmapSide of 0, so no sum overflows.
  const int shiftX = to.x - xSrc, shiftY = to.y - ySrc;
  auto forEachChange = [&](auto&& fn) {
    for (const Rect& r : dst.log) fn(intersect(r, to));
    for (const Rect& r : src.log) {
      fn(intersect(Rect{r.x + shiftX, r.y + shiftY, r.width, r.height}, to));
    }
  };
  std::int64_t area = 0;
  forEachChange([&](const Rect& r) { area += static_cast<std::int64_t>(r.width) * r.height; });
  if (area * paths::kChangedShareLimit > static_cast<std::int64_t>(to.width) * to.height)
    return false;

  Bitmap& db = dst.pixels;
  const Bitmap& sb = src.pixels;
  forEachChange([&](const Rect& r) {
    if (r.width == 0) return;
    detail::damaged(dst, r);
    Pixel* d = db.pixels.data() + static_cast<std::ptrdiff_t>(r.y) * db.width + r.x;
    const Pixel* s =
        sb.pixels.data() + static_cast<std::ptrdiff_t>(r.y - shiftY) * sb.width + (r.x - shiftX);
    copyBlock(d, db.width, s, sb.width, r.width, r.height);
  });
  return true;
}

// SRCCOPY of the clipped rectangle `to` from (xSrc, ySrc) of another bitmap,
// which becomes the destination's mirror.
void mirrorCopy(Canvas& dst, Canvas& src, const Rect& to, int xSrc, int ySrc) {
  Table& t = table();
  if (copyChanges(dst, src, to, xSrc, ySrc)) {
    ++t.copies.changes;
  } else {
    const Bitmap& sb = src.pixels;
    Bitmap& db = dst.pixels;
    detail::damaged(dst, to);
    copyBlock(db.pixels.data() + static_cast<std::ptrdiff_t>(to.y) * db.width + to.x, db.width,
              sb.pixels.data() + static_cast<std::ptrdiff_t>(ySrc) * sb.width + xSrc, sb.width,
              to.width, to.height);
    ++t.copies.full;
  }
  changed(dst);
  detail::setMirror(dst, src, to, xSrc, ySrc);
}

// Rows that may overlap (source and destination on the same row of the same
// bitmap): walk away from the overlap so every source pixel is read before it
// is overwritten.
template <typename Op>
void overlappingRow(Pixel* d, const Pixel* s, int n, Op op) {
  if (d > s) {
    for (int i = n - 1; i >= 0; --i) d[i] = op(d[i], s[i]);
  } else {
    for (int i = 0; i < n; ++i) d[i] = op(d[i], s[i]);
  }
}

}  // namespace

HDC CreateCompatibleDC(HDC reference) {
  Table& t = table();
  if (reference != 0 && !t.find(reference, Kind::Surface)) return 0;
  auto initial = makeBitmap(1, 1);
  if (!initial) return 0;
  return t.add(Kind::Surface, std::move(initial));
}

HBITMAP CreateCompatibleBitmap(HDC surface, int width, int height) {
  Table& t = table();
  if (!t.find(surface, Kind::Surface) || !validSide(width) || !validSide(height)) return 0;
  auto bitmap = makeBitmap(width, height);
  if (!bitmap) return 0;
  return t.add(Kind::BitmapObject, std::move(bitmap));
}

HBITMAP CreateBitmapFromPixels(const Bitmap& pixels) {
  if (!validSide(pixels.width) || !validSide(pixels.height) ||
      pixels.pixels.size() !=
          static_cast<std::size_t>(pixels.width) * static_cast<std::size_t>(pixels.height)) {
    return 0;
  }
  std::shared_ptr<Canvas> copy;
  try {
    copy = std::make_shared<Canvas>(pixels);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return table().add(Kind::BitmapObject, std::move(copy));
}

HBITMAP SelectObject(HDC surface, HBITMAP bitmap) {
  Table& t = table();
  Entry* s = t.find(surface, Kind::Surface);
  Entry* b = t.find(bitmap, Kind::BitmapObject);
  if (!s || !b) return 0;
  if (b->link == surface) return bitmap;  // already selected here: no change
  if (b->link != 0) return 0;             // selected into another surface
  const HBITMAP previous = s->link;
  // The previous bitmap's handle may have been given up already; then the
  // surface held the last reference and the pixels go now.
  if (Entry* old = t.find(previous, Kind::BitmapObject)) old->link = 0;
  s->link = bitmap;
  s->bitmap = b->bitmap;
  b->link = surface;
  return previous;
}

int DeleteObject(HBITMAP bitmap) {
  Table& t = table();
  Entry* b = t.find(bitmap, Kind::BitmapObject);
  if (!b) return 0;
  t.kill(*b);  // a surface that selected it keeps its own reference
  return 1;
}

int DeleteDC(HDC surface) {
  Table& t = table();
  Entry* s = t.find(surface, Kind::Surface);
  if (!s) return 0;
  if (Entry* b = t.find(s->link, Kind::BitmapObject)) b->link = 0;
  t.kill(*s);
  return 1;
}

int BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc,
           std::uint32_t rop) {
  if (rop != SRCCOPY && rop != SRCAND && rop != SRCPAINT) return 0;
  if (width <= 0 || height <= 0) return 0;
  Table& t = table();
  Entry* d = t.find(dst, Kind::Surface);
  Entry* s = t.find(src, Kind::Surface);
  if (!d || !s) return 0;
  Canvas& dc = *d->bitmap;
  Canvas& sc = *s->bitmap;
  Bitmap& db = dc.pixels;
  const Bitmap& sb = sc.pixels;
  if (!consistent(db) || !consistent(sb)) return 0;

  detail::Clipped clipped;
  if (!detail::clipBlock(db, sb, x, y, width, height, xSrc, ySrc, clipped)) {
    return 1;  // nothing visible: a success that draws nothing
  }
  const Rect written = clipped.to;
  const int n = written.width, rows = written.height;
  const std::ptrdiff_t dx = written.x, dy = written.y, sx = clipped.xFrom, sy = clipped.yFrom;
  const bool sameBitmap = &dc == &sc;
  if (rop == SRCCOPY && !sameBitmap) {
    mirrorCopy(dc, sc, written, clipped.xFrom, clipped.yFrom);
    return 1;
  }
  noteWrite(dc, written);

  const std::ptrdiff_t dStride = db.width;
  const std::ptrdiff_t sStride = sb.width;
  Pixel* dRow = db.pixels.data() + dy * dStride + dx;
  const Pixel* sRow = sb.pixels.data() + sy * sStride + sx;

  if (rop == SRCCOPY && n == db.width) {  // whole rows of one bitmap: one block
    std::memmove(dRow, sRow, static_cast<std::size_t>(n) * rows * sizeof(Pixel));
    return 1;
  }

  // Within one bitmap, walk the rows away from the overlap; rows of different
  // indices never overlap because both spans lie inside their rows.
  std::ptrdiff_t dStep = dStride, sStep = sStride;
  if (sameBitmap && dy > sy) {
    dRow += (rows - 1) * dStride;
    sRow += (rows - 1) * sStride;
    dStep = -dStride;
    sStep = -sStride;
  }
  const bool sameRows = sameBitmap && dy == sy;
  const std::size_t bytes = static_cast<std::size_t>(n) * sizeof(Pixel);

  if (rop == SRCCOPY) {
    for (int r = 0; r < rows; ++r, dRow += dStep, sRow += sStep) std::memmove(dRow, sRow, bytes);
  } else if (sameRows) {
    for (int r = 0; r < rows; ++r, dRow += dStep, sRow += sStep) {
      if (rop == SRCAND) {
        overlappingRow(dRow, sRow, n, kAnd);
      } else {
        overlappingRow(dRow, sRow, n, kOr);
      }
    }
  } else if (rop == SRCAND) {
    combineRows(dRow, dStep, sRow, sStep, rows, n, kAnd);
  } else {
    combineRows(dRow, dStep, sRow, sStep, rows, n, kOr);
  }
  return 1;
}

int PatBlt(HDC dst, int x, int y, int width, int height, std::uint32_t rop) {
  if (rop != BLACKNESS || width <= 0 || height <= 0) return 0;
  Canvas* c = surfaceCanvas(dst);
  if (!c || !consistent(c->pixels)) return 0;
  Bitmap& b = c->pixels;
  const std::int64_t left = std::max<std::int64_t>(x, 0);
  const std::int64_t top = std::max<std::int64_t>(y, 0);
  const std::int64_t right = std::min<std::int64_t>(static_cast<std::int64_t>(x) + width, b.width);
  const std::int64_t bottom =
      std::min<std::int64_t>(static_cast<std::int64_t>(y) + height, b.height);
  if (left >= right || top >= bottom) return 1;
  const Rect r{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
               static_cast<int>(bottom - top)};
  noteWrite(*c, r);
  for (int row = r.y; row < r.y + r.height; ++row) {
    std::fill_n(&b.pixels[static_cast<std::size_t>(row) * b.width + r.x], r.width, Pixel{0});
  }
  return 1;
}

COLORREF GetPixel(HDC surface, int x, int y) {
  const Bitmap* b = SurfacePixels(surface);
  if (!b || !consistent(*b) || x < 0 || y < 0 || x >= b->width || y >= b->height) {
    return CLR_INVALID;
  }
  return toColorRef(b->at(x, y));
}

Bitmap* SurfaceBitmap(HDC surface) {
  Canvas* c = surfaceCanvas(surface);
  if (!c) return nullptr;
  restartLog(*c, false);  // the writes to come are invisible here
  changed(*c);
  detail::damagedAll(*c);
  return &c->pixels;
}

const Bitmap* SurfacePixels(HDC surface) {
  const Canvas* c = surfaceCanvas(surface);
  return c ? &c->pixels : nullptr;
}

Size SurfaceSize(HDC surface) {
  const Bitmap* b = SurfacePixels(surface);
  return b ? Size{b->width, b->height} : Size{};
}

bool IsSurface(HDC handle) { return table().find(handle, Kind::Surface) != nullptr; }

bool IsBitmap(HBITMAP handle) { return table().find(handle, Kind::BitmapObject) != nullptr; }

int LiveObjectCount() { return table().liveCount; }

CopyCounts CopyCountsSoFar() { return table().copies; }

void TakeChangedArea(HDC surface, ChangedArea& out) {
  out.rects.clear();
  Canvas* c = surfaceCanvas(surface);
  out.all = !c || !c->showing || c->changedAll;
  if (!c) return;
  if (!out.all) std::swap(out.rects, c->damage);
  c->showing = true;
  c->changedAll = false;
  c->damage.clear();
}

}  // namespace grinzo::gdi
