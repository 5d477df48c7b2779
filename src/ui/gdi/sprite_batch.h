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
// it. So the sprites can be drawn from the topmost down (front to back, the
// bits of the pixels already hidden being an occlusion mask), each pixel
// written once: a sprite row whose opaque pixels are all hidden already is
// skipped without being read, and clear pixels only matter where no sprite
// is opaque and a top byte shows, which is rare enough to look for
// afterwards.
// With thousands of overlapping faces most of them are hidden, and every
// pixel still comes out exactly as drawing the sprites in order gives.
// Batches with any other kind of sprite are drawn in order.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ui/gdi/compose_paths.h"
#include "ui/gdi/gdi.h"
#include "ui/runtime/check.h"

namespace grinzo::gdi::batch {

// A sprite's pixels by kind, one bit per column (bit i = column i), for
// sprites up to 56 pixels wide and 64 high.
using paths::kMaxShapeHeight;
using paths::kMaxShapeWidth;
struct Shape {
  int width = 0;
  int height = 0;
  bool simple = false;             // every pixel opaque, clear or inert
  std::int32_t pictureStride = 0;  // the width of the picture it was read from
  // The rows' bits, with room for eight rows read at once past the last.
  std::uint64_t opaque[kMaxShapeHeight + 8] = {};
  std::uint64_t clear[kMaxShapeHeight] = {};
  // The first rows, from which a whole 64 pixels can be read from any
  // column of the shape without leaving the picture's pixels.
  int wideRows = 0;
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

// The shape of an op's source pixels (the op must fit the limits above);
// `pictureLeft`: how many of the picture's pixels there are from op.picture
// on.
void classify(const Op& op, Shape& shape, std::ptrdiff_t pictureLeft);

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

// drawInOrder over `under` copied first, band by band: each band of the
// destination is still in the cache when its sprites are drawn. Keeps its
// lists between calls.
class InOrderOver {
 public:
  void draw(Bitmap& dst, const std::vector<Op>& ops, const Under& under);

 private:
  std::vector<std::vector<std::uint32_t>> bandOps_;  // each band's ops, by index, in order
};

// The parts of TopDown that come in a plain and in vector versions.
namespace band {

// What drawing a simple op in one band needs, in the band's list.
struct Piece {
  const Shape* shape;  // with the picture's stride
  const Pixel* picture;
  std::int16_t x, y;                           // inside a bitmap: at most 32767
  std::uint8_t width, height, shapeX, shapeY;  // inside a shape
};

// The band being composed: rows top to bottom - 1 of the destination.
struct Band {
  int top = 0, bottom = 0;
  std::uint8_t* hidden = nullptr;  // a row of bits per band row, rowBytes apart
  std::ptrdiff_t rowBytes = 0;
  Pixel* scratch = nullptr;  // the band's pixels, stride apart
  std::ptrdiff_t stride = 0;
  // Much of what lies under the sprites shows (a shallow crowd): the vector
  // paths read every row of it in order.
  bool shallow = false;
};

// Columns from .. to - 1 of a destination row come from `pixels` (the
// pixel of column `from` first) where nothing is opaque.
struct Source {
  int from = 0, to = 0;
  const Pixel* pixels = nullptr;
};

// Draws the piece's opaque pixels that nothing drawn before hides into the
// band's buffer, and marks them hidden; false when it drew none.
bool drawPiece(const Piece& piece, const Band& b);
// Writes destination row d (band row `row`): the buffer's pixel where it is
// hidden; elsewhere the source's, or d's own outside the source. Returns the
// top bytes of the pixels not hidden, ORed together.
Pixel finishRow(Pixel* d, const Band& b, int row, int width, const Source& source);

// The same with vectors, in one namespace per set of instructions, each
// chosen while running where the processor has it (compose_paths.h). On
// Windows, whose calling convention aligns the stack to 16 bytes only, each
// entry realigns it for the wider registers spilled there.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define GRINZO_VECTOR_PATHS 1
#if defined(_WIN32)
#define GRINZO_VECTOR_ENTRY __attribute__((force_align_arg_pointer))
#else
#define GRINZO_VECTOR_ENTRY
#endif
// In each: available() tells whether the processor has the instructions;
// drawPieces draws the pieces from last - 1 down to first; finishRow is
// band::finishRow reading the source in order wherever a row shows much of
// it, writing past the cache when `stream` (detail::endStreaming then orders
// the rows before what comes after); apply does rows
// d = (d & mask) | picture for a sprite at least kWideApplyMinWidth wide (a
// missing mask is all ones, a missing picture 0). Their loops are
// sprite_batch_vector.h's.
namespace avx512 {
bool available();
GRINZO_VECTOR_ENTRY void drawPieces(const Piece* first, const Piece* last, const Band& b);
GRINZO_VECTOR_ENTRY Pixel finishRow(Pixel* d, const Band& b, int row, int width,
                                    const Source& source, bool stream);
GRINZO_VECTOR_ENTRY void apply(Pixel* d, std::ptrdiff_t stride, const Pixel* mask,
                               std::ptrdiff_t maskStride, const Pixel* picture,
                               std::ptrdiff_t pictureStride, int width, int height);
}  // namespace avx512
namespace avx2 {
bool available();
GRINZO_VECTOR_ENTRY void drawPieces(const Piece* first, const Piece* last, const Band& b);
GRINZO_VECTOR_ENTRY Pixel finishRow(Pixel* d, const Band& b, int row, int width,
                                    const Source& source, bool stream);
GRINZO_VECTOR_ENTRY void apply(Pixel* d, std::ptrdiff_t stride, const Pixel* mask,
                               std::ptrdiff_t maskStride, const Pixel* picture,
                               std::ptrdiff_t pictureStride, int width, int height);
}  // namespace avx2
#endif

constexpr std::uint64_t byteSwapped(std::uint64_t v) {
  std::uint64_t swapped = 0;
  for (int i = 0; i < 8; ++i) swapped |= ((v >> (8 * i)) & 0xFF) << (56 - 8 * i);
  return swapped;
}
// Rows of bits are bytes, bit i of a row in bit i % 8 of byte i / 8, with
// eight spare bytes at the end: any 57 bits from any bit on are one 8-byte
// load and a shift.
inline std::uint64_t load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (std::endian::native == std::endian::big) v = byteSwapped(v);
  return v;
}
inline void store64(std::uint8_t* p, std::uint64_t v) {
  if constexpr (std::endian::native == std::endian::big) v = byteSwapped(v);
  std::memcpy(p, &v, sizeof v);
}
// Bits x and on (57 of them at least) of a row of bits.
inline std::uint64_t bitsAt(const std::uint8_t* row, int x) {
  return load64(row + (x >> 3)) >> (x & 7);
}
// Sets the bits of v (at most 57 bits wide) from bit x on.
inline void setBitsAt(std::uint8_t* row, int x, std::uint64_t v) {
  std::uint8_t* p = row + (x >> 3);
  store64(p, load64(p) | (v << (x & 7)));
}

}  // namespace band

// The same pixels as drawInOrder for ops that all have a simple shape,
// drawn from the topmost op down, in bands of rows. Each band is composed in
// a buffer that stays in the cache, then written to the destination once,
// row after row: where an op is opaque from the buffer, elsewhere from
// `under` (inside its rectangle) or the destination's own pixel (read into
// the buffer before the ops by the plain code, where a shallow crowd leaves
// much of it showing). Keeps its buffers between calls, so a frame after the
// first allocates nothing.
class TopDown {
 public:
  // A batch for a destination of this size, its ops one by one in their
  // order, then the drawing.
  void begin(int width, int height);
  void add(const Op& op) {
    // A piece keeps its place in 16 bits and its size in 8: a bitmap's side
    // is at most 32768 and a shape's at most 64.
    GRINZO_ASSERT(op.shape && op.shape->simple);
    GRINZO_ASSERT(op.x >= 0 && op.y >= 0 && op.x <= 32767 && op.y <= 32767);
    GRINZO_ASSERT(op.width >= 1 && op.height >= 1);
    GRINZO_ASSERT(op.shapeX + op.width <= op.shape->width);
    GRINZO_ASSERT(op.shapeY + op.height <= op.shape->height);
    add(band::Piece{op.shape, op.picture, static_cast<std::int16_t>(op.x),
                    static_cast<std::int16_t>(op.y), static_cast<std::uint8_t>(op.width),
                    static_cast<std::uint8_t>(op.height), static_cast<std::uint8_t>(op.shapeX),
                    static_cast<std::uint8_t>(op.shapeY)});
  }
  // The same for an op already made a piece (a crowd's sprites are).
  void add(const band::Piece& piece) {
    GRINZO_ASSERT(piece.shape && piece.shape->simple && piece.width >= 1 && piece.height >= 1);
    const int first = piece.y >> bandShift_, last = (piece.y + piece.height - 1) >> bandShift_;
    GRINZO_ASSERT(last < bands_);
    for (int k = first; k <= last; ++k) bandPieces_[static_cast<std::size_t>(k)].push_back(piece);
    splitPieces_ += last - first;
    area_ += static_cast<std::int64_t>(piece.width) * piece.height;
  }
  // `path`: one of the top-down paths (compose_paths.h).
  void draw(Bitmap& dst, const Under* under, paths::Path path);
  std::int64_t area() const { return area_; }  // of the ops added since begin

 private:
  void drawBand(const band::Band& b, const std::vector<band::Piece>& pieces);
  Pixel fillBand(const band::Band& b);
  Pixel writeBand(const band::Band& b);
  band::Source sourceOf(int y) const;
  void clearTopBytes(Bitmap& dst, const band::Band& b, const std::vector<band::Piece>& pieces);
  bool allTilesHidden(int tileTop, int tileBottom, int tileLeft, int tileRight) const;
  void updateTiles(int tileTop, int tileBottom, int tileLeft, int tileRight);

  int bandShift_ = 0;  // rows per band: 1 << bandShift_
  int bands_ = 0;
  std::int64_t area_ = 0;          // of the ops added
  std::uint64_t splitPieces_ = 0;  // further bands the ops added reach
  Bitmap* dst_ = nullptr;          // while drawing
  const Under* under_ = nullptr;
  bool stream_ = false;                            // written past the cache
  paths::Vectors vectors_ = paths::Vectors::None;  // drawn with these vector kernels
  bool underFirst_ = false;                        // the buffer is filled before the sprites
  bool useTiles_ = false;
  int rowBytes_ = 0;                  // per row of bits, eight spare
  std::vector<std::uint8_t> hidden_;  // a band's rows; bit set: an opaque pixel is there
  std::vector<std::uint8_t> clear_;   // bit set: a clear pixel is there
  // A band's rows: the sprites' pixels where hidden, and what lies under
  // them elsewhere when it is filled first.
  std::vector<Pixel> scratch_;
  // One bit per 8 x 8 tile of the band: every pixel of it is hidden. Lets a
  // sprite under the crowd be skipped with a few tests instead of a test
  // per row, where there is no faster test of its rows.
  int tileRowBytes_ = 0;  // per row of tiles, eight spare
  std::vector<std::uint8_t> tiles_;
  std::vector<std::vector<band::Piece>> bandPieces_;  // each band's part of the ops, in order
};

}  // namespace grinzo::gdi::batch
