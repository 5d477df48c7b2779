// The sprite batch's inner loops with AVX-512, for the processors that have
// it (chosen while running; the rest of the program assumes nothing beyond
// the plain x86-64 instructions). The plan is sprite_batch_vector.h's, with
// 512-bit vectors and mask registers (sprite_batch_avx2.cpp is the same with
// 256-bit ones):
//  - A piece's rows are tested eight at a time.
//  - A row's new pixels are one store with masked lanes per 16 pixels, the
//    row's bits as the mask, whatever runs they form.
//  - A finished row is merged 16 pixels at a time.
//  - Sprites drawn in order take 16 pixels at a time.
// Masked loads are avoided where they would be slow: on some processors a
// load whose mask leaves lanes out costs many times a whole one.

#include "ui/gdi/sprite_batch.h"

#ifdef GRINZO_VECTOR_PATHS

#include <immintrin.h>

#include <cstdint>

// GCC 12's AVX-512 headers start some results from an "undefined" value
// that its own warnings then report.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#define GRINZO_VECTOR_TARGET __attribute__((target("avx512f,avx512bw,avx512vl,avx512dq,bmi,bmi2")))
#include "ui/gdi/sprite_batch_vector.h"

namespace grinzo::gdi::batch::band {
namespace {

// A whole vector loaded from memory, kept as such: folded into a blend, the
// load would become a masked one.
GRINZO_VECTOR_TARGET inline __m512i loadWhole(const void* p) {
  __m512i v = _mm512_loadu_si512(p);
  asm("" : "+v"(v));
  return v;
}

struct Avx512Lanes {
  static constexpr int kTestRows = 8;
  static constexpr int kApplyLanes = 16;
  // A piece's rows with new pixels are drawn going to each by its index,
  // which measured 5% faster here than walking from the first to the last.
  static constexpr bool kStepRows = false;

  // Eight rows of a piece: eight rows of hidden bits in one register against
  // eight rows of its shape.
  struct RowTest {
    __m128i hiddenShift, shapeShift;
    __m512i inside;
    GRINZO_VECTOR_TARGET RowTest(int hiddenBit, int shapeX, int width)
        : hiddenShift(_mm_cvtsi32_si128(hiddenBit)),
          shapeShift(_mm_cvtsi32_si128(shapeX)),
          inside(_mm512_set1_epi64(static_cast<long long>((1ull << width) - 1))) {}
    // Stores the rows' new bits; returns which rows have any.
    GRINZO_VECTOR_TARGET inline __attribute__((always_inline)) unsigned operator()(
        const std::uint8_t* h, std::ptrdiff_t bytes, const std::uint64_t* shapeRows,
        std::uint64_t* fresh) const {
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
      const __m512i mine =
          _mm512_and_si512(_mm512_srl_epi64(loadWhole(shapeRows), shapeShift), inside);
      const __m512i bits = _mm512_andnot_si512(seen, mine);
      _mm512_storeu_si512(fresh, bits);
      return _mm512_test_epi64_mask(bits, bits);
    }
  };

  // A row's new pixels, one store with masked lanes per 16.
  struct RowDraw {
    int chunks;
    GRINZO_VECTOR_TARGET explicit RowDraw(int width) : chunks((width + 15) / 16) {}
    GRINZO_VECTOR_TARGET inline __attribute__((always_inline)) void operator()(
        Pixel* d, const Pixel* p, std::uint64_t bits, bool readable) const {
      for (int c = 0; c < chunks; ++c) {
        const __mmask16 k = static_cast<__mmask16>(bits >> (16 * c));
        _mm512_mask_storeu_epi32(
            d + 16 * c, k,
            readable ? loadWhole(p + 16 * c) : _mm512_maskz_loadu_epi32(k, p + 16 * c));
      }
    }
  };

  // The top bytes of the pixels not hidden, ORed together.
  struct Found {
    __m512i v;
    GRINZO_VECTOR_TARGET Found() : v(_mm512_setzero_si512()) {}
    GRINZO_VECTOR_TARGET void add(Pixel p) {
      v = _mm512_or_si512(v, _mm512_set1_epi32(static_cast<int>(p)));
    }
    GRINZO_VECTOR_TARGET Pixel all() const { return static_cast<Pixel>(_mm512_reduce_or_epi32(v)); }
  };

  // 16 pixels of a finished row: from the buffer, but from `from` where
  // `open`; `from` is read only where some lane is open, unless `readAll`.
  template <bool readAll>
  GRINZO_VECTOR_TARGET static inline __attribute__((always_inline)) void merge16(
      Pixel* d, const Pixel* buffer, const Pixel* from, std::uint16_t open, bool stream,
      Found& found) {
    __m512i v = loadWhole(buffer);
    if (readAll || open != 0) {
      v = _mm512_mask_blend_epi32(open, v, loadWhole(from));
      found.v = _mm512_mask_or_epi32(found.v, open, found.v, v);
    }
    if (stream) {
      _mm512_stream_si512(reinterpret_cast<__m512i*>(d), v);
    } else {
      _mm512_storeu_si512(d, v);
    }
  }

  // 16 pixels drawn in order; a missing mask is all ones, a missing picture 0.
  GRINZO_VECTOR_TARGET static inline __attribute__((always_inline)) void apply(
      Pixel* d, const Pixel* mask, const Pixel* picture) {
    const __m512i m = mask ? _mm512_loadu_si512(mask) : _mm512_set1_epi32(-1);
    const __m512i p = picture ? _mm512_loadu_si512(picture) : _mm512_setzero_si512();
    _mm512_storeu_si512(d, _mm512_ternarylogic_epi32(_mm512_loadu_si512(d), m, p, 0xEA));
  }
};

}  // namespace

namespace avx512 {

bool available() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
         __builtin_cpu_supports("bmi2");
}

GRINZO_VECTOR_TARGET GRINZO_VECTOR_ENTRY void drawPieces(const Piece* first, const Piece* last,
                                                         const Band& b) {
  drawPiecesWith<Avx512Lanes>(first, last, b);
}

GRINZO_VECTOR_TARGET GRINZO_VECTOR_ENTRY Pixel finishRow(Pixel* d, const Band& b, int row,
                                                         int width, const Source& source,
                                                         bool stream) {
  return finishRowWith<Avx512Lanes>(d, b, row, width, source, stream);
}

GRINZO_VECTOR_TARGET GRINZO_VECTOR_ENTRY void apply(Pixel* d, std::ptrdiff_t stride,
                                                    const Pixel* mask, std::ptrdiff_t maskStride,
                                                    const Pixel* picture,
                                                    std::ptrdiff_t pictureStride, int width,
                                                    int height) {
  applyWith<Avx512Lanes>(d, stride, mask, maskStride, picture, pictureStride, width, height);
}

}  // namespace avx512
}  // namespace grinzo::gdi::batch::band

#endif
