// The state behind compose_paths.h: the tuning, the vectors in use and the
// counts of each path.

#include "ui/gdi/compose_paths.h"

#include <algorithm>

#include "ui/gdi/gdi.h"
#include "ui/gdi/sprite_batch.h"

namespace grinzo::gdi::paths {
namespace {

Tuning gTuning;
PathCounts gCounts;
Vectors gMost = Vectors::Avx512;

}  // namespace

const Tuning& tuning() { return gTuning; }

Tuning tune(const Tuning& t) {
  const Tuning before = gTuning;
  gTuning = t;
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
