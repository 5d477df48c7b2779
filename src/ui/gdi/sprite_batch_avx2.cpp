// The sprite batch's inner loops with AVX2, for the processors that have it
// and not AVX-512 (most desktop ones); chosen while running. The same plan
// as sprite_batch_wide.cpp with 256-bit vectors and no mask registers:
//  - A piece's rows are tested four at a time, four rows of hidden bits in
//    one register against four rows of its shape.
//  - A row's new pixels go 8 at a time, blended into the band's buffer by a
//    vector of the row's bits. A blend of a whole load of the buffer, which
//    is in the cache, stands for a store with masked lanes (vpmaskmovd),
//    which some processors take many cycles over; the buffer's rows have room
//    for whole vectors past their last pixel.
//  - A finished row is merged from the buffer and the background by the
//    hidden bits, 8 pixels at a time, and large frames are written past the
//    cache (non-temporal stores) in whole lines.
//  - Sprites drawn in order take 8 pixels at a time.

#include "ui/gdi/sprite_batch.h"

#ifdef GRINZO_VECTOR_PATHS

#include <immintrin.h>

#include <algorithm>
#include <cstdint>

#define GRINZO_AVX2 __attribute__((target("avx2,bmi,bmi2")))

namespace grinzo::gdi::batch::band::avx2 {

bool available() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
         __builtin_cpu_supports("bmi2");
}

namespace {

// Lane i of the result is all ones where bit i of `bits` (8 of them) is set.
GRINZO_AVX2 inline __m256i laneMask(unsigned bits) {
  const __m256i lanes = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
  return _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(static_cast<int>(bits)), lanes),
                            lanes);
}

// One piece; false when it drew nothing.
GRINZO_AVX2 inline __attribute__((always_inline)) bool drawPiece(const Piece& piece, const Band& b,
                                                                 std::uint64_t* freshRows) {
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

  const __m128i hiddenShift = _mm_cvtsi32_si128(x & 7);
  const __m128i shapeShift = _mm_cvtsi32_si128(piece.shapeX);
  const __m256i inside = _mm256_set1_epi64x(static_cast<long long>((1ull << piece.width) - 1));
  const int groups = piece.width > 32 ? 2 : 1;
  const __m256i toTop[4] = {_mm256_setr_epi32(31, 30, 29, 28, 27, 26, 25, 24),
                            _mm256_setr_epi32(23, 22, 21, 20, 19, 18, 17, 16),
                            _mm256_setr_epi32(15, 14, 13, 12, 11, 10, 9, 8),
                            _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0)};
  // The new pixels of every row first, four rows at a time (those past the
  // piece - the band's bits and the shape have room for them - are left out
  // of the result), so that one test tells whether anything shows at all.
  std::uint64_t todo = 0;
  const std::uint64_t* shapeRows = shape.opaque + piece.shapeY;
  for (int r = r0; r < r1; r += 4) {
    const std::uint8_t* h = hidden + static_cast<std::ptrdiff_t>(r - r0) * bytes + (x >> 3);
    const __m256i seen =
        _mm256_srl_epi64(_mm256_set_epi64x(static_cast<long long>(load64(h + 3 * bytes)),
                                           static_cast<long long>(load64(h + 2 * bytes)),
                                           static_cast<long long>(load64(h + bytes)),
                                           static_cast<long long>(load64(h))),
                         hiddenShift);
    const __m256i mine = _mm256_and_si256(
        _mm256_srl_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(shapeRows + r)),
                         shapeShift),
        inside);
    const __m256i fresh = _mm256_andnot_si256(seen, mine);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(freshRows + (r - r0)), fresh);
    const __m256i none = _mm256_cmpeq_epi64(fresh, _mm256_setzero_si256());
    const unsigned some =
        ~static_cast<unsigned>(_mm256_movemask_pd(_mm256_castsi256_pd(none))) & 15;
    todo |= static_cast<std::uint64_t>(some) << (r - r0);
  }
  if (r1 - r0 < 64) todo &= (std::uint64_t{1} << (r1 - r0)) - 1;
  if (todo == 0) return false;
  do {
    const int i = __builtin_ctzll(todo);
    const int row = r0 + i;
    const std::uint64_t bits = freshRows[i];
    todo &= todo - 1;
    setBitsAt(hidden + static_cast<std::ptrdiff_t>(i) * bytes, x, bits);
    Pixel* d = scratch + static_cast<std::ptrdiff_t>(i) * b.stride;
    const Pixel* p = picture + row * pStep;
    const bool readable = row < wideRows;
    // 32 pixels from the row's first, then (for a wider piece) the next 32;
    // lanes past the piece keep the buffer's pixels, written back as they
    // were (the buffer's rows have room past their end).
    for (int group = 0; group < groups; ++group, d += 32, p += 32) {
      const __m256i rowBits = _mm256_set1_epi32(static_cast<int>(bits >> (32 * group)));
      for (int c = 0; c < 4; ++c) {
        // Bit 8c + j of the row moved to the top of lane j: the lane's mask.
        const __m256i lanes = _mm256_sllv_epi32(rowBits, toTop[c]);
        __m256i* to = reinterpret_cast<__m256i*>(d + 8 * c);
        const int* from = reinterpret_cast<const int*>(p + 8 * c);
        // Past the picture's end only a masked load is safe; it reads
        // nothing where its lanes are off.
        const __m256i v = readable ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from))
                                   : _mm256_maskload_epi32(from, lanes);
        _mm256_storeu_si256(
            to, _mm256_castps_si256(_mm256_blendv_ps(
                    _mm256_castsi256_ps(_mm256_loadu_si256(to)), _mm256_castsi256_ps(v),
                    _mm256_castsi256_ps(lanes))));
      }
    }
  } while (todo != 0);
  return true;
}

}  // namespace

GRINZO_AVX2 GRINZO_VECTOR_ENTRY void drawPieces(const Piece* first, const Piece* last,
                                                const Band& b) {
  alignas(32) std::uint64_t freshRows[kMaxShapeHeight + 8];
  while (last != first) drawPiece(*--last, b, freshRows);
}

namespace {

// Columns c0 .. c1 - 1 of the row: from the buffer where hidden, else from
// `from` (its pixel of column c0 first). Returns `found` ORed with the
// pixels not hidden.
GRINZO_AVX2 __m256i finishColumns(Pixel* d, const Pixel* buffer, const std::uint8_t* hiddenRow,
                                  int c0, int c1, const Pixel* from, bool stream, bool readAll,
                                  __m256i found) {
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
    if (readAll) {
      _mm_prefetch(reinterpret_cast<const char*>(from + (c - c0) + paths::kReadAheadPixels),
                   _MM_HINT_T0);
    }
    const std::uint64_t open16 = ~bitsAt(hiddenRow, c) & 0xFFFF;
    for (int half = 0; half < 16; half += 8) {
      __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(buffer + c + half));
      const unsigned open = static_cast<unsigned>(open16 >> half) & 0xFF;
      if (readAll || open != 0) {
        const __m256i lanes = laneMask(open);
        v = _mm256_blendv_epi8(
            v, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + (c + half - c0))), lanes);
        found = _mm256_or_si256(found, _mm256_and_si256(v, lanes));
      }
      if (stream) {
        _mm256_stream_si256(reinterpret_cast<__m256i*>(d + c + half), v);
      } else {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + c + half), v);
      }
    }
  }
  for (; c < c1; ++c) one(c);
  return _mm256_or_si256(found, _mm256_set1_epi32(static_cast<int>(foundHere)));
}

}  // namespace

GRINZO_AVX2 GRINZO_VECTOR_ENTRY Pixel finishRow(Pixel* d, const Band& b, int row, int width,
                                                const Source& source, bool stream) {
  const std::uint8_t* hiddenRow = b.hidden + static_cast<std::ptrdiff_t>(row) * b.rowBytes;
  const Pixel* buffer = b.scratch + static_cast<std::ptrdiff_t>(row) * b.stride;
  const int from = std::clamp(source.from, 0, width), to = std::clamp(source.to, from, width);
  // Where much of the source shows, all of its row is read in order, which
  // the processor fetches well ahead; where little does, only its lines
  // that show, each a wait.
  int open = 0, words = 0;
  for (int c = from; c < to; c += 56, ++words) {
    const int n = std::min(56, to - c);
    open += (~bitsAt(hiddenRow, c) & ((std::uint64_t{1} << n) - 1)) != 0;
  }
  const bool readAll = open * paths::kReadAllShare >= words;
  __m256i found = _mm256_setzero_si256();
  if (from > 0) found = finishColumns(d, buffer, hiddenRow, 0, from, d, stream, true, found);
  if (to > from) {
    found = finishColumns(d, buffer, hiddenRow, from, to, source.pixels, stream, readAll, found);
  }
  if (width > to) {
    found = finishColumns(d, buffer, hiddenRow, to, width, d + to, stream, true, found);
  }
  const __m128i half =
      _mm_or_si128(_mm256_castsi256_si128(found), _mm256_extracti128_si256(found, 1));
  const __m128i quarter = _mm_or_si128(half, _mm_unpackhi_epi64(half, half));
  const __m128i eighth = _mm_or_si128(quarter, _mm_shuffle_epi32(quarter, 1));
  return static_cast<Pixel>(_mm_cvtsi128_si32(eighth)) & 0xFF000000u;
}

GRINZO_AVX2 GRINZO_VECTOR_ENTRY void apply(Pixel* d, std::ptrdiff_t stride, const Pixel* mask,
                                           std::ptrdiff_t maskStride, const Pixel* picture,
                                           std::ptrdiff_t pictureStride, int width, int height) {
  // (d & m) | p twice gives the same as once, so a row goes 8 pixels at a
  // time, the last 8 overlapping the ones before.
  const __m256i ones = _mm256_set1_epi32(-1);
  for (int r = 0; r < height; ++r, d += stride) {
    for (int c = 0;; c = std::min(c + 8, width - 8)) {
      const __m256i m =
          mask ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mask + c)) : ones;
      const __m256i p = picture ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(picture + c))
                                : _mm256_setzero_si256();
      __m256i* to = reinterpret_cast<__m256i*>(d + c);
      _mm256_storeu_si256(to, _mm256_or_si256(_mm256_and_si256(_mm256_loadu_si256(to), m), p));
      if (c == width - 8) break;
    }
    if (mask) mask += maskStride;
    if (picture) picture += pictureStride;
  }
}

}  // namespace grinzo::gdi::batch::band::avx2

#endif
