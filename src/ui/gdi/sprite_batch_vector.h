#pragma once
// The plan of the sprite batch's vector loops, once for every set of vector
// instructions: templates over a type of lanes (Avx2Lanes in
// sprite_batch_avx2.cpp, Avx512Lanes in sprite_batch_wide.cpp) that says how
// a few rows of hidden bits are tested, how a row's new pixels are stored,
// how 16 pixels of a finished row are merged and how a sprite's row is drawn
// in order. Only those two files include it, each after defining
// GRINZO_VECTOR_TARGET, the target attribute every function here is compiled
// with; everything here has internal linkage, so the two copies never meet.
//  - A piece's rows are tested Lanes::kTestRows at a time, that many rows of
//    hidden bits in one register against as many rows of its shape, so that
//    one test tells whether anything of it shows at all.
//  - A row's new pixels are stored by the row's bits (Lanes::drawRow).
//  - A finished row is merged from the band's buffer and the background by
//    the hidden bits, 16 pixels at a time; the background row is asked for
//    ahead of the merge, and large frames are written past the cache
//    (non-temporal stores) in whole lines.
//  - Sprites drawn in order take Lanes::kApplyLanes pixels at a time.

#include <immintrin.h>

#include <algorithm>
#include <cstdint>

#include "ui/gdi/sprite_batch.h"

#ifndef GRINZO_VECTOR_TARGET
#error "define GRINZO_VECTOR_TARGET before including sprite_batch_vector.h"
#endif

namespace grinzo::gdi::batch::band {
namespace {

// One piece; false when it drew nothing. `freshRows` has room for
// kMaxShapeHeight + 8 rows.
template <class Lanes>
GRINZO_VECTOR_TARGET inline __attribute__((always_inline)) bool drawPieceWith(
    const Piece& piece, const Band& b, std::uint64_t* freshRows) {
  const Shape& shape = *piece.shape;
  const int x = piece.x, y = piece.y;
  const int r0 = std::max(y, b.top) - y, r1 = std::min(y + piece.height, b.bottom) - y;
  GRINZO_ASSERT(r0 < r1 && x + piece.width <= b.stride);
  // A piece without a picture draws black.
  static const Pixel kBlack[kMaxShapeWidth + 64] = {};
  const Pixel* picture = piece.picture ? piece.picture : kBlack;
  const std::ptrdiff_t pStep = piece.picture ? shape.pictureStride : 0;
  const int wideRows = piece.picture ? shape.wideRows - piece.shapeY : kMaxShapeHeight;
  const std::ptrdiff_t bytes = b.rowBytes;
  // Row r0 of the piece, its first inside the band, is row 0 of these.
  std::uint8_t* const hidden = b.hidden + static_cast<std::ptrdiff_t>(y + r0 - b.top) * bytes;
  Pixel* const scratch = b.scratch + static_cast<std::ptrdiff_t>(y + r0 - b.top) * b.stride + x;

  const typename Lanes::RowTest test(x & 7, piece.shapeX, piece.width);
  // The new pixels of every row first (those past the piece - the band's
  // bits and the shape have room for them - are left out of the result).
  std::uint64_t todo = 0;
  const std::uint64_t* shapeRows = shape.opaque + piece.shapeY;
  for (int r = r0; r < r1; r += Lanes::kTestRows) {
    const std::uint8_t* h = hidden + static_cast<std::ptrdiff_t>(r - r0) * bytes + (x >> 3);
    todo |= static_cast<std::uint64_t>(test(h, bytes, shapeRows + r, freshRows + (r - r0)))
            << (r - r0);
  }
  if (r1 - r0 < 64) todo &= (std::uint64_t{1} << (r1 - r0)) - 1;
  if (todo == 0) return false;
  const typename Lanes::RowDraw draw(piece.width);
  if constexpr (Lanes::kStepRows) {
    // Row after row from the first with new pixels to the last, the pointers
    // stepped rather than worked out per row.
    int i = __builtin_ctzll(todo);
    const int end = 64 - __builtin_clzll(todo);
    std::uint8_t* h = hidden + static_cast<std::ptrdiff_t>(i) * bytes;
    Pixel* d = scratch + static_cast<std::ptrdiff_t>(i) * b.stride;
    const Pixel* p = picture + (r0 + i) * pStep;
    for (; i < end; ++i, h += bytes, d += b.stride, p += pStep) {
      const std::uint64_t bits = freshRows[i];
      if (bits == 0) continue;
      setBitsAt(h, x, bits);
      draw(d, p, bits, r0 + i < wideRows);
    }
  } else {
    // Only the rows with new pixels, one by one.
    do {
      const int i = __builtin_ctzll(todo);
      const int row = r0 + i;
      const std::uint64_t bits = freshRows[i];
      todo &= todo - 1;
      setBitsAt(hidden + static_cast<std::ptrdiff_t>(i) * bytes, x, bits);
      draw(scratch + static_cast<std::ptrdiff_t>(i) * b.stride, picture + row * pStep, bits,
           row < wideRows);
    } while (todo != 0);
  }
  return true;
}

template <class Lanes>
GRINZO_VECTOR_TARGET inline __attribute__((always_inline)) void drawPiecesWith(const Piece* first,
                                                                               const Piece* last,
                                                                               const Band& b) {
  alignas(64) std::uint64_t freshRows[kMaxShapeHeight + 8];
  while (last != first) drawPieceWith<Lanes>(*--last, b, freshRows);  // the topmost first
}

// Columns c0 .. c1 - 1 of the row: from the buffer where hidden, else from
// `from` (its pixel of column c0 first). Returns `found` with the pixels not
// hidden gathered in.
template <class Lanes, bool readAll>
GRINZO_VECTOR_TARGET typename Lanes::Found finishColumns(Pixel* d, const Pixel* buffer,
                                                         const std::uint8_t* hiddenRow, int c0,
                                                         int c1, const Pixel* from, bool stream,
                                                         typename Lanes::Found found) {
  // One pixel at a time up to the destination's first whole line and after
  // its last, so that the rest goes in whole lines.
  Pixel foundHere = 0;
  const auto one = [&](int c) {
    const bool hidden = (hiddenRow[c >> 3] >> (c & 7)) & 1;
    d[c] = hidden ? buffer[c] : from[c - c0];
    if (!hidden) foundHere |= d[c];
  };
  const auto toLine = (64 - (reinterpret_cast<std::uintptr_t>(d + c0) & 63)) & 63;
  int c = c0;
  for (const int head = std::min(c1, c0 + static_cast<int>(toLine / sizeof(Pixel))); c < head;
       ++c) {
    one(c);
  }
  for (; c + 16 <= c1; c += 16) {
    if constexpr (readAll) {
      _mm_prefetch(reinterpret_cast<const char*>(from + (c - c0) + paths::kReadAheadPixels),
                   _MM_HINT_T0);
    }
    const auto open = static_cast<std::uint16_t>(~bitsAt(hiddenRow, c));
    Lanes::template merge16<readAll>(d + c, buffer + c, from + (c - c0), open, stream, found);
  }
  for (; c < c1; ++c) one(c);
  found.add(foundHere);
  return found;
}

template <class Lanes>
GRINZO_VECTOR_TARGET inline __attribute__((always_inline)) Pixel finishRowWith(
    Pixel* d, const Band& b, int row, int width, const Source& source, bool stream) {
  const std::uint8_t* hiddenRow = b.hidden + static_cast<std::ptrdiff_t>(row) * b.rowBytes;
  const Pixel* buffer = b.scratch + static_cast<std::ptrdiff_t>(row) * b.stride;
  const int from = std::clamp(source.from, 0, width), to = std::clamp(source.to, from, width);
  // Where much of the source shows (a shallow crowd, or a row with many
  // words that show), all of its row is read in order, asked for ahead, by a
  // loop with no test per block; where little does, only its lines that
  // show, each a wait.
  int open = 0, words = 0;
  for (int c = from; c < to && !b.shallow; c += 56, ++words) {
    const int n = std::min(56, to - c);
    open += (~bitsAt(hiddenRow, c) & ((std::uint64_t{1} << n) - 1)) != 0;
  }
  const bool readAll = b.shallow || open * paths::kReadAllShare >= words;
  typename Lanes::Found found;
  if (from > 0) {
    found = finishColumns<Lanes, true>(d, buffer, hiddenRow, 0, from, d, stream, found);
  }
  if (to > from) {
    found = readAll ? finishColumns<Lanes, true>(d, buffer, hiddenRow, from, to, source.pixels,
                                                 stream, found)
                    : finishColumns<Lanes, false>(d, buffer, hiddenRow, from, to, source.pixels,
                                                  stream, found);
  }
  if (width > to) {
    found = finishColumns<Lanes, true>(d, buffer, hiddenRow, to, width, d + to, stream, found);
  }
  return found.all() & 0xFF000000u;
}

// Rows d = (d & mask) | picture, a missing mask all ones, a missing picture
// 0. The same twice gives the same as once, so a row goes kApplyLanes pixels
// at a time, the last ones overlapping those before.
template <class Lanes>
GRINZO_VECTOR_TARGET inline __attribute__((always_inline)) void applyWith(
    Pixel* d, std::ptrdiff_t stride, const Pixel* mask, std::ptrdiff_t maskStride,
    const Pixel* picture, std::ptrdiff_t pictureStride, int width, int height) {
  constexpr int n = Lanes::kApplyLanes;
  for (int r = 0; r < height; ++r, d += stride) {
    for (int c = 0;; c = std::min(c + n, width - n)) {
      Lanes::apply(d + c, mask ? mask + c : nullptr, picture ? picture + c : nullptr);
      if (c == width - n) break;
    }
    if (mask) mask += maskStride;
    if (picture) picture += pictureStride;
  }
}

}  // namespace
}  // namespace grinzo::gdi::batch::band
