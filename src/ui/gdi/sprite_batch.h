#pragma once
// Drawing many masked sprites at once (the inside of gdi::DrawMaskedSprites).
//
// A sprite is a mask ANDed onto the frame and a picture ORed over it. Most
// sprites are of the simple kind the game draws: every pixel either
//  - opaque: mask 0, so the frame pixel becomes the picture's, whatever lay
//    there (and the picture's unused top byte is 0);
//  - clear: mask 0x00FFFFFF over picture 0, which keeps the colour and only
//    clears the unused top byte;
//  - or inert: mask all ones over picture 0.
// For a stack of such sprites a pixel shows the topmost opaque one, or else
// what lay there before with its top byte cleared by any clear pixel over
// it. So the sprites can be drawn from the topmost down, each pixel written
// once: a sprite row whose opaque pixels are all hidden already, and whose
// clear pixels have nothing left to clear, is skipped without being read.
// With thousands of overlapping faces most of them are hidden, and every
// pixel still comes out exactly as drawing the sprites in order gives.
// Batches with any other kind of sprite are drawn in order.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/gdi/gdi.h"

namespace grinzo::gdi::batch {

// A sprite's pixels by kind, one bit per column (bit i = column i), for
// sprites up to 56 pixels wide and 64 high.
inline constexpr int kMaxShapeWidth = 56;
inline constexpr int kMaxShapeHeight = 64;
struct Shape {
  int width = 0;
  int height = 0;
  bool simple = false;             // every pixel opaque, clear or inert
  std::int32_t pictureStride = 0;  // the width of the picture it was read from
  std::uint64_t opaque[kMaxShapeHeight] = {};
  std::uint64_t clear[kMaxShapeHeight] = {};
  // Where a row's opaque pixels are one run: its first column and length
  // (0 when the row has none, or several runs).
  std::uint8_t runStart[kMaxShapeHeight] = {};
  std::uint8_t runLength[kMaxShapeHeight] = {};
};

// One sprite, already clipped to the destination and to both sources.
struct Op {
  int x = 0, y = 0, width = 0, height = 0;         // inside the destination
  const Pixel* mask = nullptr;                     // row 0 of the rectangle; nullptr: no AND
  const Pixel* picture = nullptr;                  // nullptr: no OR
  const Shape* shape = nullptr;                    // nullptr: too large for one
  std::int32_t maskStride = 0, pictureStride = 0;  // bitmap widths
  // Where the rectangle starts in the shape (a sprite clipped by the edges
  // of the destination keeps the shape of the whole sprite).
  std::uint8_t shapeX = 0, shapeY = 0;
};

// The shape of an op's source pixels (the op must fit the limits above).
void classify(const Op& op, Shape& shape);

// Applies the ops in order, d = (d & mask) | picture, each row in one pass.
void drawInOrder(Bitmap& dst, const std::vector<Op>& ops);

// What lies under the sprites when a frame is composed in one go: the
// destination's rectangle `to` is first to hold `pixels` (whose row 0 starts
// at the rectangle's top-left, rows `stride` apart).
struct Under {
  int x = 0, y = 0, width = 0, height = 0;
  const Pixel* pixels = nullptr;
  std::ptrdiff_t stride = 0;
};

// The same pixels as drawInOrder for ops that all have a simple shape,
// drawn from the topmost op down, in bands of rows; with `under`, the
// background is copied band by band too, before a shallow crowd and after a
// deep one (where it still shows). Keeps its buffers between calls, so a
// frame after the first allocates nothing.
class TopDown {
 public:
  void draw(Bitmap& dst, const std::vector<Op>& ops, const Under* under);

 private:
  void drawBand(Bitmap& dst, int band, int top, int bottom);
  Pixel prepareBand(Bitmap& dst, const Under* under, int top, int bottom);
  void finishRow(Pixel* d, const Pixel* s, int from, int to, int width, int bandRow);
  bool allTilesHidden(int tileTop, int tileBottom, int tileLeft, int tileRight) const;
  void updateTiles(int tileTop, int tileBottom, int tileLeft, int tileRight);

  bool useTiles_ = false;
  bool trackClear_ = false;
  int rowBytes_ = 0;                  // per row of bits, eight spare
  std::vector<std::uint8_t> hidden_;  // a band's rows; bit set: an opaque pixel is there
  std::vector<std::uint8_t> clear_;   // bit set: the top byte is cleared there
  // One bit per 8 x 8 tile of the band: every pixel of it is hidden. Lets a
  // sprite under the crowd be skipped with a few tests instead of a test
  // per row.
  int tileRowBytes_ = 0;  // per row of tiles, eight spare
  std::vector<std::uint8_t> tiles_;
  std::vector<std::uint32_t> bandStart_;  // where each band's ops start in pieces_
  // What drawing a simple op needs, copied band by band in the ops' order,
  // so that a band reads its ops one after another.
  struct Piece {
    const Shape* shape;  // with the picture's stride
    const Pixel* picture;
    std::int16_t x, y;                           // inside a bitmap: at most 32767
    std::uint8_t width, height, shapeX, shapeY;  // inside a shape
  };
  std::vector<Piece> pieces_;
  std::vector<std::uint32_t> next_;  // filling pieces_
};

}  // namespace grinzo::gdi::batch
