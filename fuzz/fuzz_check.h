#pragma once
// What the fuzz targets share. A broken property aborts with the condition
// and its place, so libFuzzer keeps the input as a crash like any sanitizer
// report; checks stay on in every build type.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (0)
