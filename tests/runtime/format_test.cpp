// The written number formats.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "ui/runtime/errors.h"
#include "ui/runtime/format.h"

namespace rt = grinzo::rt;

TEST(Format, Patterns) {
  for (auto [in, out] : {std::pair{1.0, "001"},
                         {0.0, "000"},
                         {1234.0, "1234"},
                         {4294967295.0, "4294967295"},
                         {2.5, "002"},
                         {99.5, "100"},
                         {-1.0, "-001"}})
    EXPECT_EQ(rt::formatZeroPadded3(in), out) << in;
  for (auto [in, out] : {std::pair{24.7, "24.7"},
                         {0.5, ".5"},
                         {30.0, "30.0"},
                         {0.0, ".0"},
                         {24.75, "24.8"},
                         {24.65, "24.7"},
                         {-0.5, "-.5"},
                         {9.96, "10.0"},
                         {-0.04, ".0"},
                         {0.05, ".1"},
                         {1e20, "100000000000000000000.0"}})
    EXPECT_EQ(rt::formatOneDecimal(in), out) << in;
}

TEST(Format, GeneralForm) {
  for (auto [in, out] : {std::pair{0.8215, " .8215"},
                         {3.5, " 3.5"},
                         {-0.25, "-.25"},
                         {0.0, " 0"},
                         {-0.0, " 0"},
                         {7.0, " 7"},
                         {1.0 / 3, " .333333333333333"},
                         {2.0 / 3, " .666666666666667"},
                         {1e20, " 1E+20"},
                         {1.5e-7, " 1.5E-07"},
                         {-1.5e-7, "-1.5E-07"},
                         {1e-4, " .0001"},
                         {123456789012345.0, " 123456789012345"},
                         {999999999999999.9, " 1E+15"},
                         {1e100, " 1E+100"},
                         {1200.0, " 1200"}})
    EXPECT_EQ(rt::formatGeneral(in), out) << in;
  EXPECT_THROW(rt::formatGeneral(std::nan("")), rt::OverflowError);
  EXPECT_THROW(rt::formatOneDecimal(INFINITY), rt::OverflowError);
  EXPECT_THROW(rt::formatZeroPadded3(-INFINITY), rt::OverflowError);
}
