#pragma once
// The row kernels the block transfers (gdi.cpp) and the sprite batches
// (sprite_batch.cpp) share. Not for use outside src/ui/gdi.
//
// GCC's loop vectoriser is off at -O2 for loops of unknown length, and its
// block vectoriser gives up on these rows once they are inlined into a row
// loop. So with GCC and Clang a row is combined four pixels at a time through
// their portable vector type (SSE2 on x86, plain registers elsewhere); other
// compilers get the simple loops, which they vectorise themselves. memcpy is
// how the unaligned 16-byte loads and stores are spelt; it compiles to one
// instruction each.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ui/gdi/gdi.h"

namespace grinzo::gdi::detail {

#if defined(__GNUC__) || defined(__clang__)
#define GRINZO_PIXELS4 1
using Pixels4 = Pixel __attribute__((vector_size(16)));
inline Pixels4 load4(const Pixel* p) {
  Pixels4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void store4(Pixel* p, Pixels4 v) { std::memcpy(p, &v, sizeof v); }
#endif

// A hint that a row of n pixels is about to be written (and perhaps read):
// a sprite's rows lie a whole window row apart, each in its own page, and
// without help every row is a cache miss taken one after another. Asking
// ahead lets the misses overlap. Compilers without it lose only speed.
inline void prefetchForWriting(const Pixel* p, int n) {
#if defined(__GNUC__) || defined(__clang__)
  for (int i = 0; i < n; i += 16) __builtin_prefetch(p + i, 1);
  __builtin_prefetch(p + n - 1, 1);
#else
  (void)p;
  (void)n;
#endif
}

// Copies of at least streamPixels() pixels (compose_paths.h) are written
// with non-temporal stores ("past the cache"): no destination line is read
// into the cache first, and the copy leaves the cache to what is drawn next.
#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
using Bytes16 = long long __attribute__((vector_size(16)));

inline void store16Streaming(Pixel* d, Bytes16 v) {
#if defined(__clang__)
  __builtin_nontemporal_store(v, reinterpret_cast<Bytes16*>(d));
#else
  __builtin_ia32_movntdq(reinterpret_cast<Bytes16*>(d), v);
#endif
}

// d and s must not overlap.
inline void copyStreaming(Pixel* d, const Pixel* s, std::size_t count) {
  for (; count > 0 && reinterpret_cast<std::uintptr_t>(d) % 16 != 0; --count) *d++ = *s++;
  constexpr std::size_t kAhead = 128;                   // pixels: 8 cache lines
  for (; count >= 16; count -= 16, d += 16, s += 16) {  // one cache line
    // Read the source ahead, marked as not worth keeping in the cache.
    if (count >= kAhead + 16) __builtin_prefetch(s + kAhead, 0, 0);
    Bytes16 a, b, c, e;
    std::memcpy(&a, s, sizeof a);
    std::memcpy(&b, s + 4, sizeof b);
    std::memcpy(&c, s + 8, sizeof c);
    std::memcpy(&e, s + 12, sizeof e);
    store16Streaming(d, a);
    store16Streaming(d + 4, b);
    store16Streaming(d + 8, c);
    store16Streaming(d + 12, e);
  }
  std::memcpy(d, s, count * sizeof(Pixel));
}
// Orders the streamed stores before anything after them.
inline void endStreaming() { __builtin_ia32_sfence(); }
#else
inline void copyStreaming(Pixel* d, const Pixel* s, std::size_t count) {
  std::memcpy(d, s, count * sizeof(Pixel));
}
inline void endStreaming() {}
#endif

inline int lowestBit(std::uint64_t v) {
#if defined(__GNUC__) || defined(__clang__)
  return __builtin_ctzll(v);
#else
  int i = 0;
  while (!(v & 1)) v >>= 1, ++i;
  return i;
#endif
}

}  // namespace grinzo::gdi::detail
