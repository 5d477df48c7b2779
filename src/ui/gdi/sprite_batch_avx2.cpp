// The sprite batch's inner loops with AVX2, for the processors that have it
// and not AVX-512 (most desktop ones); chosen while running. The plan is
// sprite_batch_vector.h's, with 256-bit vectors and no mask registers:
//  - A piece's rows are tested four at a time.
//  - A row's new pixels go 32 at a time, 8 per vector, blended into the
//    band's buffer by lane masks made from the row's bits, each by one
//    variable shift. A blend of a whole load of the buffer, which is in the
//    cache, stands for a store with masked lanes (vpmaskmovd), which some
//    processors take many cycles over; the buffer's rows have room for whole
//    vectors past their last pixel, and no branch depends on which of the 8
//    lanes are new.
//  - A finished row is merged 8 pixels at a time.
//  - Sprites drawn in order take 8 pixels at a time.

#include "ui/gdi/sprite_batch.h"

#ifdef GRINZO_VECTOR_PATHS

#include <immintrin.h>

#include <cstdint>

#define GRINZO_VECTOR_TARGET __attribute__((target("avx2,bmi,bmi2")))
#include "ui/gdi/sprite_batch_vector.h"

namespace grinzo::gdi::batch::band {
namespace {

// Lane i of the result is all ones where bit i of `bits` (8 of them) is set.
GRINZO_VECTOR_TARGET inline __m256i laneMask(unsigned bits) {
  const __m256i lanes = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
  return _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(static_cast<int>(bits)), lanes),
                            lanes);
}

struct Avx2Lanes {
  static constexpr int kTestRows = 4;
  static constexpr int kApplyLanes = 8;
  // A piece's rows with new pixels are drawn walking from the first to the
  // last (those without are passed over), which measured 4-5% faster than
  // going to each by its index.
  static constexpr bool kStepRows = true;

  // Four rows of a piece: four rows of hidden bits in one register against
  // four rows of its shape.
  struct RowTest {
    __m128i hiddenShift, shapeShift;
    __m256i inside;
    GRINZO_VECTOR_TARGET RowTest(int hiddenBit, int shapeX, int width)
        : hiddenShift(_mm_cvtsi32_si128(hiddenBit)),
          shapeShift(_mm_cvtsi32_si128(shapeX)),
          inside(_mm256_set1_epi64x(static_cast<long long>((1ull << width) - 1))) {}
    // Stores the rows' new bits; returns which rows have any.
    GRINZO_VECTOR_TARGET inline __attribute__((always_inline)) unsigned operator()(
        const std::uint8_t* h, std::ptrdiff_t bytes, const std::uint64_t* shapeRows,
        std::uint64_t* fresh) const {
      const __m256i seen =
          _mm256_srl_epi64(_mm256_set_epi64x(static_cast<long long>(load64(h + 3 * bytes)),
                                             static_cast<long long>(load64(h + 2 * bytes)),
                                             static_cast<long long>(load64(h + bytes)),
                                             static_cast<long long>(load64(h))),
                           hiddenShift);
      const __m256i mine = _mm256_and_si256(
          _mm256_srl_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(shapeRows)),
                           shapeShift),
          inside);
      const __m256i bits = _mm256_andnot_si256(seen, mine);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(fresh), bits);
      const __m256i none = _mm256_cmpeq_epi64(bits, _mm256_setzero_si256());
      return ~static_cast<unsigned>(_mm256_movemask_pd(_mm256_castsi256_pd(none))) & 15;
    }
  };

  // A row's new pixels: 32 from the row's first, then (for a wider piece)
  // the next 32. Lanes past the piece keep the buffer's pixels, written back
  // as they were (the buffer's rows have room past their end).
  struct RowDraw {
    int groups;
    __m256i toTop[4];  // shifts taking bit 8c + j of a row to the top of lane j
    GRINZO_VECTOR_TARGET explicit RowDraw(int width)
        : groups(width > 32 ? 2 : 1),
          toTop{_mm256_setr_epi32(31, 30, 29, 28, 27, 26, 25, 24),
                _mm256_setr_epi32(23, 22, 21, 20, 19, 18, 17, 16),
                _mm256_setr_epi32(15, 14, 13, 12, 11, 10, 9, 8),
                _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0)} {}
    GRINZO_VECTOR_TARGET inline __attribute__((always_inline)) void operator()(
        Pixel* d, const Pixel* p, std::uint64_t bits, bool readable) const {
      for (int group = 0; group < groups; ++group, d += 32, p += 32) {
        const __m256i rowBits = _mm256_set1_epi32(static_cast<int>(bits >> (32 * group)));
        for (int c = 0; c < 4; ++c) {
          const __m256i lanes = _mm256_sllv_epi32(rowBits, toTop[c]);
          __m256i* to = reinterpret_cast<__m256i*>(d + 8 * c);
          const int* from = reinterpret_cast<const int*>(p + 8 * c);
          // Past the picture's end only a masked load is safe; it reads
          // nothing where its lanes are off.
          const __m256i v = readable ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from))
                                     : _mm256_maskload_epi32(from, lanes);
          _mm256_storeu_si256(to, _mm256_castps_si256(_mm256_blendv_ps(
                                      _mm256_castsi256_ps(_mm256_loadu_si256(to)),
                                      _mm256_castsi256_ps(v), _mm256_castsi256_ps(lanes))));
        }
      }
    }
  };

  // The top bytes of the pixels not hidden, ORed together.
  struct Found {
    __m256i v;
    GRINZO_VECTOR_TARGET Found() : v(_mm256_setzero_si256()) {}
    GRINZO_VECTOR_TARGET void add(Pixel p) {
      v = _mm256_or_si256(v, _mm256_set1_epi32(static_cast<int>(p)));
    }
    GRINZO_VECTOR_TARGET Pixel all() const {
      const __m128i half = _mm_or_si128(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
      const __m128i quarter = _mm_or_si128(half, _mm_unpackhi_epi64(half, half));
      const __m128i eighth = _mm_or_si128(quarter, _mm_shuffle_epi32(quarter, 1));
      return static_cast<Pixel>(_mm_cvtsi128_si32(eighth));
    }
  };

  // 16 pixels of a finished row: from the buffer, but from `from` where
  // `open`; `from` is read only where some lane is open, unless `readAll`.
  template <bool readAll>
  GRINZO_VECTOR_TARGET static inline __attribute__((always_inline)) void merge16(
      Pixel* d, const Pixel* buffer, const Pixel* from, std::uint16_t open16, bool stream,
      Found& found) {
    for (int half = 0; half < 16; half += 8) {
      __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(buffer + half));
      const unsigned open = static_cast<unsigned>(open16 >> half) & 0xFF;
      if (readAll || open != 0) {
        const __m256i lanes = laneMask(open);
        v = _mm256_blendv_epi8(v, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + half)),
                               lanes);
        found.v = _mm256_or_si256(found.v, _mm256_and_si256(v, lanes));
      }
      if (stream) {
        _mm256_stream_si256(reinterpret_cast<__m256i*>(d + half), v);
      } else {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + half), v);
      }
    }
  }

  // 8 pixels drawn in order; a missing mask is all ones, a missing picture 0.
  GRINZO_VECTOR_TARGET static inline __attribute__((always_inline)) void apply(
      Pixel* d, const Pixel* mask, const Pixel* picture) {
    const __m256i m =
        mask ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mask)) : _mm256_set1_epi32(-1);
    const __m256i p = picture ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(picture))
                              : _mm256_setzero_si256();
    __m256i* to = reinterpret_cast<__m256i*>(d);
    _mm256_storeu_si256(to, _mm256_or_si256(_mm256_and_si256(_mm256_loadu_si256(to), m), p));
  }
};

}  // namespace

namespace avx2 {

bool available() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
         __builtin_cpu_supports("bmi2");
}

GRINZO_VECTOR_TARGET GRINZO_VECTOR_ENTRY void drawPieces(const Piece* first, const Piece* last,
                                                         const Band& b) {
  drawPiecesWith<Avx2Lanes>(first, last, b);
}

GRINZO_VECTOR_TARGET GRINZO_VECTOR_ENTRY Pixel finishRow(Pixel* d, const Band& b, int row,
                                                         int width, const Source& source,
                                                         bool stream) {
  return finishRowWith<Avx2Lanes>(d, b, row, width, source, stream);
}

GRINZO_VECTOR_TARGET GRINZO_VECTOR_ENTRY void apply(Pixel* d, std::ptrdiff_t stride,
                                                    const Pixel* mask, std::ptrdiff_t maskStride,
                                                    const Pixel* picture,
                                                    std::ptrdiff_t pictureStride, int width,
                                                    int height) {
  applyWith<Avx2Lanes>(d, stride, mask, maskStride, picture, pictureStride, width, height);
}

}  // namespace avx2
}  // namespace grinzo::gdi::batch::band

#endif
