// Checked arithmetic, rounding and text-to-number conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

#include "ui/runtime/arith.h"
#include "ui/runtime/convert.h"

namespace rt = grinzo::rt;

TEST(CheckedArithmetic, LeavingTheRangeRaisesInsteadOfWrapping) {
  EXPECT_EQ(rt::add16(32766, 1), 32767);
  EXPECT_EQ(rt::mul16(-256, 128), -32768);
  EXPECT_THROW(rt::add16(32767, 1), rt::OverflowError);
  EXPECT_THROW(rt::sub16(-32768, 1), rt::OverflowError);
  EXPECT_THROW(rt::neg16(-32768), rt::OverflowError);
  EXPECT_THROW(rt::mul16(256, 128), rt::OverflowError);
  constexpr rt::Int32 kMax = std::numeric_limits<rt::Int32>::max();
  constexpr rt::Int32 kMin = std::numeric_limits<rt::Int32>::min();
  EXPECT_EQ(rt::mul32(-65536, 32768), kMin);
  EXPECT_THROW(rt::add32(kMax, 1), rt::OverflowError);
  EXPECT_THROW(rt::sub32(kMin, 1), rt::OverflowError);
  EXPECT_THROW(rt::neg32(kMin), rt::OverflowError);
  EXPECT_THROW(rt::mul32(65536, 32768), rt::OverflowError);
  EXPECT_THROW(rt::toInt32(4294967295LL), rt::OverflowError);
}

TEST(Rounding, HalfGoesToEvenAndTheRangeIsCheckedAfterwards) {
  for (auto [in, out] : {std::pair{2.5, 2},
                         {3.5, 4},
                         {-2.5, -2},
                         {0.5, 0},
                         {1.5, 2},
                         {2.5000001, 3},
                         {32767.4, 32767},
                         {-32768.5, -32768},
                         {-3.5, -4},
                         {-0.4, 0},
                         {-1.6, -2}}) {
    EXPECT_EQ(rt::roundToInt16(in), out) << in;
    EXPECT_EQ(rt::roundToInt16Fast(in), out) << in;
  }
  for (double bad : {32767.5, std::nan(""), HUGE_VAL, -32769.0}) {
    EXPECT_THROW(rt::roundToInt16(bad), rt::OverflowError) << bad;
    EXPECT_THROW(rt::roundToInt16Fast(bad), rt::OverflowError) << bad;
  }
  EXPECT_THROW(rt::roundToInt32(2147483647.5), rt::OverflowError);
  EXPECT_EQ(rt::floorToInt16(-0.5), -1);
  EXPECT_THROW(rt::floorToInt16(32768.0), rt::OverflowError);
}

TEST(TextToNumber, SettingsTexts) {
  for (auto [in, out] : {std::pair{" \t05 ", 5.0},
                         {"+2.5", 2.5},
                         {"-.5", -0.5},
                         {"5.", 5.0},
                         {"1e3", 1000.0},
                         {"2.5E-1", 0.25},
                         {"1e-400", 0.0}})
    EXPECT_EQ(rt::parseNumber(in), out) << in;
  EXPECT_EQ(rt::textToInt16("2.5"), 2);
  EXPECT_EQ(rt::textToInt16("3.5"), 4);
  for (const char* text :
       {"", "   ", "abc", "1x", "1 2", "-", ".", "+-1", "1e", "1,5", "0x10", "nan", "1.2.3"})
    EXPECT_THROW(rt::parseNumber(text), rt::TypeMismatchError) << '"' << text << '"';
  EXPECT_THROW(rt::textToInt16("40000"), rt::OverflowError);
  EXPECT_THROW(rt::parseNumber("1e999"), rt::OverflowError);
}

TEST(TextToNumber, LeadingNumberNeverRaises) {
  for (auto [in, out] : {std::pair{"1", 1.0},
                         {"001", 1.0},
                         {"Not Found", 0.0},
                         {"12abc", 12.0},
                         {"  7", 7.0},
                         {"", 0.0},
                         {"1e", 1.0},
                         {"-2.5e1x", -25.0},
                         {"1e999", 0.0}})
    EXPECT_EQ(rt::leadingNumber(in), out) << in;
}
