// The state behind compose_paths.h: the tuning, the vectors in use and the
// counts of each path.

#include "ui/gdi/compose_paths.h"

#include <algorithm>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#define GRINZO_HAVE_CPUID 1
#endif

#include "ui/gdi/gdi.h"
#include "ui/gdi/sprite_batch.h"

namespace grinzo::gdi::paths {
namespace {

PathCounts gCounts;
Vectors gMost = Vectors::Avx512;

// The tuning in force, first the game's for this processor.
Tuning& current() {
  static Tuning tuning = [] {
    Tuning t;
    t.bandPixels = bandPixelsFor(secondLevelCacheBytes());
    return t;
  }();
  return tuning;
}

}  // namespace

std::size_t secondLevelCacheBytes() {
#ifdef GRINZO_HAVE_CPUID
  // Extended leaf 6: the second-level cache's size in KiB in the top half of
  // ECX, on Intel and AMD processors alike.
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(0x80000006u, &a, &b, &c, &d)) return std::size_t{c >> 16} * 1024;
#endif
  return 0;
}

const Tuning& tuning() { return current(); }

Tuning tune(const Tuning& t) {
  const Tuning before = current();
  current() = t;
  return before;
}

Vectors vectorsAvailable() {
#ifdef GRINZO_VECTOR_PATHS
  static const Vectors available = batch::band::avx512::available() ? Vectors::Avx512
                                   : batch::band::avx2::available() ? Vectors::Avx2
                                                                    : Vectors::None;
  return available;
#else
  return Vectors::None;
#endif
}

Vectors limitVectors(Vectors most) {
  gMost = most;
  return vectorsInUse();
}

Vectors vectorsInUse() { return std::min(gMost, vectorsAvailable()); }

const char* vectorsName(Vectors v) {
  switch (v) {
    case Vectors::Avx512:
      return "AVX-512";
    case Vectors::Avx2:
      return "AVX2";
    case Vectors::None:
      break;
  }
  return "none";
}

PathCounts& pathCounts() { return gCounts; }

}  // namespace grinzo::gdi::paths

namespace grinzo::gdi {

bool LimitVectorInstructions(const std::string& name) {
  using paths::Vectors;
  if (name == "none") {
    paths::limitVectors(Vectors::None);
  } else if (name == "avx2") {
    paths::limitVectors(Vectors::Avx2);
  } else if (name == "avx512") {
    paths::limitVectors(Vectors::Avx512);
  } else {
    return false;
  }
  return true;
}

const char* VectorInstructionsInUse() { return paths::vectorsName(paths::vectorsInUse()); }

}  // namespace grinzo::gdi
