// The sprite batch's inner loops with AVX-512, for the processors that have
// it (chosen while running; the rest of the program assumes nothing beyond
// the plain x86-64 instructions). sprite_batch_avx2.cpp is the same with
// 256-bit vectors.
//  - A piece's rows are tested eight at a time: eight rows of hidden bits in
//    one register against eight rows of its shape.
//  - A row's new pixels are one store with masked lanes per 16 pixels, the
//    row's bits as the mask, whatever runs they form.
//  - A finished row is merged from the band's buffer and the background by
//    the hidden bits, 16 pixels at a time, and large frames are written
//    past the cache in whole lines (non-temporal stores).
//  - Sprites drawn in order take 16 pixels at a time.
// Masked loads are avoided where they would be slow: on some processors a
// load whose mask leaves lanes out costs many times a whole one.

#include "ui/gdi/sprite_batch.h"

#ifdef GRINZO_VECTOR_PATHS

#include <immintrin.h>

#include <algorithm>
#include <cstdint>

// GCC 12's AVX-512 headers start some results from an "undefined" value
// that its own warnings then report.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#define GRINZO_WIDE __attribute__((target("avx512f,avx512bw,avx512vl,avx512dq,bmi,bmi2")))

namespace grinzo::gdi::batch::band {

void finishStreaming() { _mm_sfence(); }

namespace avx512 {

bool available() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
         __builtin_cpu_supports("bmi2");
}

namespace {

// A whole vector loaded from memory, kept as such: folded into a blend, the
// load would become a masked one.
GRINZO_WIDE inline __m512i loadWhole(const void* p) {
  __m512i v = _mm512_loadu_si512(p);
  asm("" : "+v"(v));
  return v;
}

// One piece; false when it drew nothing.
GRINZO_WIDE inline __attribute__((always_inline)) bool drawPiece(const Piece& piece, const Band& b,
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
  const __m512i inside = _mm512_set1_epi64(static_cast<long long>((1ull << piece.width) - 1));
  const int chunks = (piece.width + 15) / 16;
  // The new pixels of every row first, eight rows at a time (those past the
  // piece - the band's bits and the shape have room for them - are left out
  // of the result), so that one test tells whether anything shows at all.
  std::uint64_t todo = 0;
  for (int r = r0; r < r1; r += 8) {
    const std::uint8_t* h = hidden + static_cast<std::ptrdiff_t>(r - r0) * bytes + (x >> 3);
    // Eight loads: a gather is no faster.
    const __m512i seen =
        _mm512_srl_epi64(_mm512_set_epi64(static_cast<long long>(load64(h + 7 * bytes)),
                                          static_cast<long long>(load64(h + 6 * bytes)),
                                          static_cast<long long>(load64(h + 5 * bytes)),
                                          static_cast<long long>(load64(h + 4 * bytes)),
                                          static_cast<long long>(load64(h + 3 * bytes)),
                                          static_cast<long long>(load64(h + 2 * bytes)),
                                          static_cast<long long>(load64(h + bytes)),
                                          static_cast<long long>(load64(h))),
                         hiddenShift);
    const __m512i mine = _mm512_and_si512(
        _mm512_srl_epi64(loadWhole(shape.opaque + piece.shapeY + r), shapeShift), inside);
    const __m512i fresh = _mm512_andnot_si512(seen, mine);
    _mm512_storeu_si512(freshRows + (r - r0), fresh);
    todo |= static_cast<std::uint64_t>(_mm512_test_epi64_mask(fresh, fresh)) << (r - r0);
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
    for (int c = 0; c < chunks; ++c) {
      const __mmask16 k = static_cast<__mmask16>(bits >> (16 * c));
      _mm512_mask_storeu_epi32(
          d + 16 * c, k,
          readable ? loadWhole(p + 16 * c) : _mm512_maskz_loadu_epi32(k, p + 16 * c));
    }
  } while (todo != 0);
  return true;
}

}  // namespace

GRINZO_WIDE GRINZO_VECTOR_ENTRY void drawPieces(const Piece* first, const Piece* last,
                                                const Band& b) {
  alignas(64) std::uint64_t freshRows[kMaxShapeHeight + 8];
  while (last != first) drawPiece(*--last, b, freshRows);
}

namespace {

// Columns c0 .. c1 - 1 of the row: from the buffer where hidden, else from
// `from` (its pixel of column c0 first). Returns `found` ORed with the
// pixels not hidden.
GRINZO_WIDE __m512i finishColumns(Pixel* d, const Pixel* buffer, const std::uint8_t* hiddenRow,
                                  int c0, int c1, const Pixel* from, bool stream, bool readAll,
                                  __m512i found) {
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
    __m512i v = loadWhole(buffer + c);
    const auto open = static_cast<__mmask16>(~bitsAt(hiddenRow, c));
    if (readAll || open != 0) {
      v = _mm512_mask_blend_epi32(open, v, loadWhole(from + (c - c0)));
      found = _mm512_mask_or_epi32(found, open, found, v);
    }
    if (stream) {
      _mm512_stream_si512(reinterpret_cast<__m512i*>(d + c), v);
    } else {
      _mm512_storeu_si512(d + c, v);
    }
  }
  for (; c < c1; ++c) one(c);
  return _mm512_or_si512(found, _mm512_set1_epi32(static_cast<int>(foundHere)));
}

}  // namespace

GRINZO_WIDE GRINZO_VECTOR_ENTRY Pixel finishRow(Pixel* d, const Band& b, int row, int width,
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
  __m512i found = _mm512_setzero_si512();
  if (from > 0) found = finishColumns(d, buffer, hiddenRow, 0, from, d, stream, true, found);
  if (to > from) {
    found = finishColumns(d, buffer, hiddenRow, from, to, source.pixels, stream, readAll, found);
  }
  if (width > to) {
    found = finishColumns(d, buffer, hiddenRow, to, width, d + to, stream, true, found);
  }
  return static_cast<Pixel>(_mm512_reduce_or_epi32(found)) & 0xFF000000u;
}

GRINZO_WIDE GRINZO_VECTOR_ENTRY void apply(Pixel* d, std::ptrdiff_t stride, const Pixel* mask,
                                           std::ptrdiff_t maskStride, const Pixel* picture,
                                           std::ptrdiff_t pictureStride, int width, int height) {
  // (d & m) | p twice gives the same as once, so a row goes 16 pixels at a
  // time, the last 16 overlapping the ones before.
  const __m512i ones = _mm512_set1_epi32(-1);
  for (int r = 0; r < height; ++r, d += stride) {
    for (int c = 0;; c = std::min(c + 16, width - 16)) {
      const __m512i m = mask ? _mm512_loadu_si512(mask + c) : ones;
      const __m512i p = picture ? _mm512_loadu_si512(picture + c) : _mm512_setzero_si512();
      _mm512_storeu_si512(d + c, _mm512_ternarylogic_epi32(_mm512_loadu_si512(d + c), m, p, 0xEA));
      if (c == width - 16) break;
    }
    if (mask) mask += maskStride;
    if (picture) picture += pictureStride;
  }
}

}  // namespace avx512
}  // namespace grinzo::gdi::batch::band

#endif
