#pragma once
// GRINZO_ASSERT(condition): a contract inside the core that no caller can
// break from outside, only a fault of the core's own code. Checked in Debug
// builds and in the sanitizer builds (which the tests run), where a broken
// one prints its place and aborts; compiled out of Release builds, where the
// hot loops that carry most of them must cost nothing extra.

#if !defined(NDEBUG) || defined(GRINZO_SANITIZE)
#include <cstdio>
#include <cstdlib>

namespace grinzo::rt::detail {
[[noreturn]] inline void assertionFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: assertion failed: %s\n", file, line, condition);
  std::fflush(stderr);
  std::abort();
}
}  // namespace grinzo::rt::detail

#define GRINZO_ASSERT(condition)      \
  ((condition) ? static_cast<void>(0) \
               : ::grinzo::rt::detail::assertionFailed(#condition, __FILE__, __LINE__))
#else
#define GRINZO_ASSERT(condition) static_cast<void>(sizeof((condition) ? 1 : 0))
#endif
