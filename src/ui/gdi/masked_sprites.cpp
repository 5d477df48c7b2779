// Many masked sprites in one call: the sprites resolved into clipped
// transfers, then drawn by the path their figures choose (compose_paths.h):
// in order or from the top down (sprite_batch.h).

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ui/gdi/canvas.h"
#include "ui/gdi/compose_paths.h"
#include "ui/gdi/gdi.h"
#include "ui/gdi/sprite_batch.h"

namespace grinzo::gdi {

using detail::Canvas;
using detail::consistent;
using detail::surfaceCanvas;
using paths::Path;

namespace {

// What DrawMaskedSprites keeps between calls: its buffers, and the shapes of
// the sprite pictures it has seen, by the versions of their pixels.
struct SpriteWork {
  struct CachedShape {
    std::uint64_t maskVersion = 0, pictureVersion = 0;
    int xMask = 0, yMask = 0, xPicture = 0, yPicture = 0;
    std::uint64_t lastCall = 0;
    batch::Shape shape;
  };
  static constexpr std::size_t kShapes = 16;
  std::vector<CachedShape> shapes = std::vector<CachedShape>(kShapes);
  std::uint64_t calls = 0;
  std::vector<batch::Op> ops;
  batch::TopDown topDown;
  batch::InOrderOver inOrderOver;

  // Sprites of one kind - same mask, picture, source corner and size - clip
  // and classify alike (a frame of faces has five kinds), so within one
  // call only the first of a kind is worked out.
  struct Kind {
    bool known = false;
    bool usable = false;  // wholly inside both its mask and its picture
    bool crowd = false;   // usable, with a simple shape: may be in a crowd
    HDC mask = 0, picture = 0;
    int xSrc = 0, ySrc = 0, width = 0, height = 0;
    batch::Op op;  // the whole sprite at (0, 0)
  };
  static constexpr std::size_t kKindSlots = 16;
  Kind kinds[kKindSlots];
};

// Never destroyed, like the surfaces' table.
SpriteWork& spriteWork() {
  static SpriteWork* work = new SpriteWork;
  return *work;
}

// One sprite's transfer from `source` as BitBlt clips it; false when it draws
// nothing (the source is not live, or nothing of it is visible).
bool spriteTransfer(const Bitmap& db, HDC source, const MaskedSprite& s, const Canvas*& canvas,
                    batch::Op& op, int& xSrc, int& ySrc) {
  canvas = surfaceCanvas(source);
  detail::Clipped clipped;
  if (!canvas || !consistent(canvas->pixels) || s.width <= 0 || s.height <= 0 ||
      !detail::clipBlock(db, canvas->pixels, s.x, s.y, s.width, s.height, s.xSrc, s.ySrc,
                         clipped)) {
    return false;
  }
  op.x = clipped.to.x;
  op.y = clipped.to.y;
  op.width = clipped.to.width;
  op.height = clipped.to.height;
  xSrc = clipped.xFrom;
  ySrc = clipped.yFrom;
  return true;
}

const Pixel* at(const Canvas& c, int x, int y) {
  return c.pixels.pixels.data() + static_cast<std::ptrdiff_t>(y) * c.pixels.width + x;
}

// The shape of an op's pixels, from the cache when they are unchanged; null
// for sprites too large to have one, or when the cache is full of shapes
// this same call uses.
const batch::Shape* shapeOf(SpriteWork& work, batch::Op& op, const Canvas* mask, int xMask,
                            int yMask, const Canvas* picture, int xPicture, int yPicture) {
  if (op.width > batch::kMaxShapeWidth || op.height > batch::kMaxShapeHeight) return nullptr;
  const std::uint64_t maskVersion = mask ? mask->version : 0;
  const std::uint64_t pictureVersion = picture ? picture->version : 0;
  SpriteWork::CachedShape* spare = nullptr;
  for (SpriteWork::CachedShape& c : work.shapes) {
    if (c.maskVersion == maskVersion && c.pictureVersion == pictureVersion && c.xMask == xMask &&
        c.yMask == yMask && c.xPicture == xPicture && c.yPicture == yPicture &&
        c.shape.width == op.width && c.shape.height == op.height) {
      c.lastCall = work.calls;
      return &c.shape;
    }
    if (c.lastCall != work.calls && (!spare || c.lastCall < spare->lastCall)) spare = &c;
  }
  if (!spare) return nullptr;
  *spare = SpriteWork::CachedShape{maskVersion, pictureVersion, xMask,      yMask,
                                   xPicture,    yPicture,       work.calls, {}};
  const std::ptrdiff_t pictureLeft =
      picture ? static_cast<std::ptrdiff_t>(picture->pixels.pixels.size()) -
                    (static_cast<std::ptrdiff_t>(yPicture) * picture->pixels.width + xPicture)
              : 0;
  batch::classify(op, spare->shape, pictureLeft);
  return &spare->shape;
}

// What resolving a batch found out.
struct SpriteBatch {
  paths::Figures figures;
  bool crowd = false;  // resolved straight into the top-down bands
};

bool sameKind(const SpriteWork::Kind& k, const MaskedSprite& s) {
  return k.known && k.mask == s.mask && k.picture == s.picture && k.xSrc == s.xSrc &&
         k.ySrc == s.ySrc && k.width == s.width && k.height == s.height;
}

// The sprite's kind when it is known (`known`), else the place to learn it
// in (which may hold another kind, forgotten then).
SpriteWork::Kind* findKind(SpriteWork& work, const MaskedSprite& s, bool& known) {
  constexpr std::size_t kSlots = SpriteWork::kKindSlots;
  const std::uint32_t hash = static_cast<std::uint32_t>(s.mask) * 0x9E3779B1u ^
                             static_cast<std::uint32_t>(s.picture) * 0x85EBCA77u;
  const std::size_t home = (hash >> 16) % kSlots;
  SpriteWork::Kind* spare = nullptr;
  for (std::size_t probe = 0; probe < 4; ++probe) {
    SpriteWork::Kind& k = work.kinds[(home + probe) % kSlots];
    if (sameKind(k, s)) {
      known = true;
      return &k;
    }
    if (!k.known && !spare) spare = &k;
  }
  known = false;
  return spare ? spare : &work.kinds[home];
}

bool wholeSource(const Canvas* c, const MaskedSprite& s) {
  return c && s.xSrc >= 0 && s.ySrc >= 0 &&
         static_cast<std::int64_t>(s.xSrc) + s.width <= c->pixels.width &&
         static_cast<std::int64_t>(s.ySrc) + s.height <= c->pixels.height;
}

// Learns the kind of sprite `s` is: usable when its rectangle lies wholly
// inside a live mask and a live picture. Sets fromItself when either is the
// destination.
void learnKind(SpriteWork& work, SpriteWork::Kind& kind, const MaskedSprite& s, const Canvas& dc,
               bool& fromItself) {
  kind = SpriteWork::Kind{.known = true,
                          .mask = s.mask,
                          .picture = s.picture,
                          .xSrc = s.xSrc,
                          .ySrc = s.ySrc,
                          .width = s.width,
                          .height = s.height};
  const Canvas* mask = surfaceCanvas(s.mask);
  const Canvas* picture = surfaceCanvas(s.picture);
  if (mask == &dc || picture == &dc) {
    fromItself = true;
    return;
  }
  if (s.width <= 0 || s.height <= 0 || !mask || !picture || !consistent(mask->pixels) ||
      !consistent(picture->pixels) || !wholeSource(mask, s) || !wholeSource(picture, s)) {
    return;
  }
  batch::Op& op = kind.op;
  op.width = s.width;
  op.height = s.height;
  op.mask = at(*mask, s.xSrc, s.ySrc);
  op.maskStride = mask->pixels.width;
  op.picture = at(*picture, s.xSrc, s.ySrc);
  op.pictureStride = picture->pixels.width;
  op.shape = shapeOf(work, op, mask, s.xSrc, s.ySrc, picture, s.xSrc, s.ySrc);
  kind.usable = true;
  kind.crowd = op.shape && op.shape->simple;
}

// A sprite of a usable kind clipped by the destination alone: its kind's op
// moved onto the part that shows, the shape staying the whole sprite's,
// entered at the clipped corner. False when nothing of it shows.
bool placeSprite(const SpriteWork::Kind& kind, const MaskedSprite& s, const Bitmap& db,
                 batch::Op& op) {
  const std::int64_t x0 = std::max(s.x, 0), y0 = std::max(s.y, 0);
  const std::int64_t x1 =
      std::min<std::int64_t>(static_cast<std::int64_t>(s.x) + s.width, db.width);
  const std::int64_t y1 =
      std::min<std::int64_t>(static_cast<std::int64_t>(s.y) + s.height, db.height);
  if (x1 <= x0 || y1 <= y0) return false;
  op = kind.op;
  const int skipX = static_cast<int>(x0 - s.x), skipY = static_cast<int>(y0 - s.y);
  op.x = static_cast<int>(x0);
  op.y = static_cast<int>(y0);
  op.width = static_cast<int>(x1 - x0);
  op.height = static_cast<int>(y1 - y0);
  op.mask += static_cast<std::ptrdiff_t>(skipY) * op.maskStride + skipX;
  op.picture += static_cast<std::ptrdiff_t>(skipY) * op.pictureStride + skipX;
  if (op.shape) {  // a shape is at most 64 x 64
    GRINZO_ASSERT(skipX < batch::kMaxShapeWidth && skipY < batch::kMaxShapeHeight);
    op.shapeX = static_cast<std::uint8_t>(skipX);
    op.shapeY = static_cast<std::uint8_t>(skipY);
  }
  return true;
}

// Resolves the sprites into work.ops, as the transfers would clip them; a
// batch to draw from the top down goes into work.topDown too.
SpriteBatch prepareSprites(const Canvas& dc, const MaskedSprite* sprites, std::size_t count,
                           bool withCopy, SpriteWork& work) {
  ++work.calls;
  for (SpriteWork::Kind& k : work.kinds) k.known = false;
  std::vector<batch::Op>& ops = work.ops;
  ops.clear();
  ops.reserve(count);  // the common case exactly: one op per sprite
  SpriteBatch result;
  paths::Figures& figures = result.figures;
  figures.withCopy = withCopy;
  const Bitmap& db = dc.pixels;
  bool simple = true;
  std::int64_t area = 0;
  std::uint64_t oversize = 0;
  const auto account = [&](const batch::Op& op) {
    area += static_cast<std::int64_t>(op.width) * op.height;
    simple = simple && op.shape && op.shape->simple;
    oversize += op.shape == nullptr;
  };
  for (std::size_t i = 0; i < count; ++i) {
    const MaskedSprite& s = sprites[i];
    bool known = false;
    SpriteWork::Kind* kind = findKind(work, s, known);
    if (!known) {
      learnKind(work, *kind, s, dc, figures.fromItself);
      if (figures.fromItself) return result;
    }
    if (kind->usable) {
      batch::Op op;
      if (placeSprite(*kind, s, db, op)) account(ops.emplace_back(op));
      continue;
    }
    batch::Op a, o;
    const Canvas *mask = nullptr, *picture = nullptr;
    int xm = 0, ym = 0, xp = 0, yp = 0;
    const bool ands = spriteTransfer(db, s.mask, s, mask, a, xm, ym);
    const bool ors = spriteTransfer(db, s.picture, s, picture, o, xp, yp);
    if (ands) a.mask = at(*mask, xm, ym), a.maskStride = mask->pixels.width;
    if (ors) o.picture = at(*picture, xp, yp), o.pictureStride = picture->pixels.width;
    if (ands && ors && a.x == o.x && a.y == o.y && a.width == o.width && a.height == o.height) {
      a.picture = o.picture;
      a.pictureStride = o.pictureStride;
      a.shape = shapeOf(work, a, mask, xm, ym, picture, xp, yp);
      account(ops.emplace_back(a));
    } else {
      if (ands)
        a.shape = shapeOf(work, a, mask, xm, ym, nullptr, 0, 0), account(ops.emplace_back(a));
      if (ors)
        o.shape = shapeOf(work, o, nullptr, 0, 0, picture, xp, yp), account(ops.emplace_back(o));
    }
  }
  paths::pathCounts().oversize += oversize;
  figures.allSimple = simple;
  figures.spriteArea = area;
  figures.windowArea = static_cast<std::int64_t>(db.width) * db.height;
  figures.vectors = paths::vectorsInUse();
  if (paths::isTopDown(paths::choosePath(figures, paths::tuning().tileDepth))) {
    work.topDown.begin(db.width, db.height);
    for (const batch::Op& op : ops) work.topDown.add(op);
  }
  return result;
}

// A crowd: more sprites than the change log holds, all of kinds wholly
// inside their pictures with simple shapes, and deep enough (by the first
// one's size) to draw from the top down. Resolved straight into the
// top-down batch, without the list of transfers; false for any other batch,
// which is then resolved as usual.
bool prepareCrowd(const Canvas& dc, const MaskedSprite* sprites, std::size_t count, bool withCopy,
                  SpriteWork& work, SpriteBatch& batch) {
  const Bitmap& db = dc.pixels;
  const std::int64_t window = static_cast<std::int64_t>(db.width) * db.height;
  const std::int64_t deep = paths::kTopDownDepth * window;
  const MaskedSprite& first = sprites[0];
  if (count <= paths::kCrowdSprites || first.width <= 0 || first.height <= 0 ||
      first.width > batch::kMaxShapeWidth || first.height > batch::kMaxShapeHeight ||
      static_cast<std::int64_t>(count) * first.width * first.height < deep) {
    return false;
  }
  ++work.calls;
  for (SpriteWork::Kind& k : work.kinds) k.known = false;
  work.topDown.begin(db.width, db.height);
  bool fromItself = false;
  for (std::size_t i = 0; i < count; ++i) {
    const MaskedSprite& s = sprites[i];
    bool known = false;
    SpriteWork::Kind* kind = findKind(work, s, known);
    if (!known) {
      learnKind(work, *kind, s, dc, fromItself);
      if (fromItself) return false;
    }
    if (!kind->crowd) return false;
    const batch::Op& whole = kind->op;
    if (s.x >= 0 && s.y >= 0 && s.x <= db.width - whole.width && s.y <= db.height - whole.height) {
      // Wholly inside the window (most of a crowd): the piece straight from
      // its kind, with no clipping to do.
      work.topDown.add(
          batch::band::Piece{whole.shape, whole.picture, static_cast<std::int16_t>(s.x),
                             static_cast<std::int16_t>(s.y), static_cast<std::uint8_t>(whole.width),
                             static_cast<std::uint8_t>(whole.height), 0, 0});
      continue;
    }
    batch::Op op;
    if (placeSprite(*kind, s, db, op)) work.topDown.add(op);
  }
  if (work.topDown.area() < deep) return false;
  batch = SpriteBatch{{false, true, withCopy, work.topDown.area(), window, paths::vectorsInUse()},
                      true};
  ++paths::pathCounts().crowds;
  return true;
}

// The path the batch takes, counted.
Path pathOf(const SpriteBatch& batch) {
  const Path path = paths::choosePath(batch.figures, paths::tuning().tileDepth);
  ++paths::pathCounts().batches[static_cast<int>(path)];
  return path;
}

// Each sprite's two transfers in turn.
void drawOneByOne(HDC dst, const MaskedSprite* sprites, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const MaskedSprite& t = sprites[i];
    BitBlt(dst, t.x, t.y, t.width, t.height, t.mask, t.xSrc, t.ySrc, SRCAND);
    BitBlt(dst, t.x, t.y, t.width, t.height, t.picture, t.xSrc, t.ySrc, SRCPAINT);
  }
}

// What a crowd wrote: too much to log, which makes the next copy a full one
// at once.
void noteCrowd(Canvas& dc) {
  detail::changed(dc);
  detail::restartLog(dc, false);
  detail::damagedAll(dc);
}

// What the sprites wrote, for the next repeated copy.
void noteSprites(Canvas& dc, const std::vector<batch::Op>& ops) {
  if (ops.size() > detail::kLogLimit) {  // the log would give up anyway
    noteCrowd(dc);
    return;
  }
  for (const batch::Op& op : ops)
    detail::noteWrite(dc, detail::Rect{op.x, op.y, op.width, op.height});
}

}  // namespace

void DrawMaskedSprites(HDC dst, const MaskedSprite* sprites, std::size_t count) {
  Canvas* dc = surfaceCanvas(dst);
  if (!dc || !consistent(dc->pixels) || count == 0) return;
  SpriteWork& work = spriteWork();
  SpriteBatch batch;
  if (!prepareCrowd(*dc, sprites, count, false, work, batch)) {
    batch = prepareSprites(*dc, sprites, count, false, work);
  }
  const Path path = pathOf(batch);
  if (path == Path::OneByOne) {
    drawOneByOne(dst, sprites, count);
    return;
  }
  if (paths::isTopDown(path)) {
    work.topDown.draw(dc->pixels, nullptr, path);
  } else {
    batch::drawInOrder(dc->pixels, work.ops);
  }
  if (batch.crowd) {
    noteCrowd(*dc);
  } else {
    noteSprites(*dc, work.ops);
  }
}

void CopyAndDrawSprites(HDC dst, int x, int y, int width, int height, HDC background, int xSrc,
                        int ySrc, const MaskedSprite* sprites, std::size_t count) {
  Canvas* dc = surfaceCanvas(dst);
  Canvas* bc = surfaceCanvas(background);
  SpriteWork& work = spriteWork();
  Bitmap* db = dc ? &dc->pixels : nullptr;
  detail::Clipped copy;
  if (!dc || !bc || dc == bc || !consistent(dc->pixels) || !consistent(bc->pixels) || count == 0 ||
      width <= 0 || height <= 0 ||
      !detail::clipBlock(*db, bc->pixels, x, y, width, height, xSrc, ySrc, copy)) {
    BitBlt(dst, x, y, width, height, background, xSrc, ySrc, SRCCOPY);
    DrawMaskedSprites(dst, sprites, count);
    return;
  }
  // The copy changes only the window, which no sprite reads (but for
  // OneByOne), so what is worked out here stays valid after it.
  SpriteBatch batch;
  if (!prepareCrowd(*dc, sprites, count, true, work, batch)) {
    batch = prepareSprites(*dc, sprites, count, true, work);
  }
  const Path path = pathOf(batch);
  if (path == Path::OneByOne || path == Path::InOrder) {
    BitBlt(dst, x, y, width, height, background, xSrc, ySrc, SRCCOPY);
    if (path == Path::OneByOne) {
      drawOneByOne(dst, sprites, count);
      return;
    }
    batch::drawInOrder(*db, work.ops);
  } else {
    const detail::Rect& to = copy.to;
    const batch::Under under{
        to.x, to.y, to.width, to.height, at(*bc, copy.xFrom, copy.yFrom), bc->pixels.width};
    if (path == Path::InOrderBanded) {
      work.inOrderOver.draw(*db, work.ops, under);
    } else {
      work.topDown.draw(*db, &under, path);
    }
    // The window now holds that copy, as after a full one.
    detail::countFullCopy();
    detail::changed(*dc);
    detail::damaged(*dc, to);
    detail::setMirror(*dc, *bc, to, copy.xFrom, copy.yFrom);
  }
  if (batch.crowd) {
    noteCrowd(*dc);
  } else {
    noteSprites(*dc, work.ops);
  }
}

}  // namespace grinzo::gdi
