// The five faces and their shared mask, 30 x 30.
//
// All five are one face: the same yellow disc (with a one-pixel black rim
// that the mask's larger disc leaves showing) and the same eyes; only the
// mouth changes, plus a nose on the last one. Outside the disc every face is
// black, so OR-ing it over the AND-ed mask leaves the background untouched.

#include <stdexcept>
#include <string>
#include <string_view>

#include "ui/images/pixel_art.h"

namespace grinzo::images {
namespace {

// '.' black, 'Y' yellow, 'R' red, '#' white.

// clang-format off
constexpr std::string_view kSmiling[] = {
    "..............................",
    "............YYYYYY............",
    ".........YYYYYYYYYYYY.........",
    ".......YYYYYYYYYYYYYYYY.......",
    "......YYYYYYYYYYYYYYYYYY......",
    ".....YYYYYYYYYYYYYYYYYYYY.....",
    "....YYYYYYYYYYYYYYYYYYYYYY....",
    "...YYYYYYY.YYYYYYYY.YYYYYYY...",
    "...YYYYYY...YYYYYY...YYYYYY...",
    "..YYYYYYY...YYYYYY...YYYYYYY..",
    "..YYYYYYY...YYYYYY...YYYYYYY..",
    "..YYYYYYYY.YYYYYYYY.YYYYYYYY..",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYY..YYYYYYYYYYYYYY..YYYYY.",
    ".YYYYY...YYYYYYYYYYYY...YYYYY.",
    "..YYYYY...YYYYYYYYYY...YYYYY..",
    "..YYYYYY...YYYYYYYY...YYYYYY..",
    "..YYYYYYY............YYYYYYY..",
    "...YYYYYYYY........YYYYYYYY...",
    "...YYYYYYYYYYYYYYYYYYYYYYYY...",
    "....YYYYYYYYYYYYYYYYYYYYYY....",
    ".....YYYYYYYYYYYYYYYYYYYY.....",
    "......YYYYYYYYYYYYYYYYYY......",
    ".......YYYYYYYYYYYYYYYY.......",
    ".........YYYYYYYYYYYY.........",
    "............YYYYYY............",
    "..............................",
};

constexpr std::string_view kStraightMouth[] = {
    "..............................",
    "............YYYYYY............",
    ".........YYYYYYYYYYYY.........",
    ".......YYYYYYYYYYYYYYYY.......",
    "......YYYYYYYYYYYYYYYYYY......",
    ".....YYYYYYYYYYYYYYYYYYYY.....",
    "....YYYYYYYYYYYYYYYYYYYYYY....",
    "...YYYYYYY.YYYYYYYY.YYYYYYY...",
    "...YYYYYY...YYYYYY...YYYYYY...",
    "..YYYYYYY...YYYYYY...YYYYYYY..",
    "..YYYYYYY...YYYYYY...YYYYYYY..",
    "..YYYYYYYY.YYYYYYYY.YYYYYYYY..",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    "..YYYYYYYYYYYYYYYYYYYYYYYYYY..",
    "..YYYYYYYYYYYYYYYYYYYYYYYYYY..",
    "..YYYYYYY............YYYYYYY..",
    "...YYYYYY............YYYYYY...",
    "...YYYYYYYYYYYYYYYYYYYYYYYY...",
    "....YYYYYYYYYYYYYYYYYYYYYY....",
    ".....YYYYYYYYYYYYYYYYYYYY.....",
    "......YYYYYYYYYYYYYYYYYY......",
    ".......YYYYYYYYYYYYYYYY.......",
    ".........YYYYYYYYYYYY.........",
    "............YYYYYY............",
    "..............................",
};

constexpr std::string_view kBroadGrin[] = {
    "..............................",
    "............YYYYYY............",
    ".........YYYYYYYYYYYY.........",
    ".......YYYYYYYYYYYYYYYY.......",
    "......YYYYYYYYYYYYYYYYYY......",
    ".....YYYYYYYYYYYYYYYYYYYY.....",
    "....YYYYYYYYYYYYYYYYYYYYYY....",
    "...YYYYYYY.YYYYYYYY.YYYYYYY...",
    "...YYYYYY...YYYYYY...YYYYYY...",
    "..YYYYYYY...YYYYYY...YYYYYYY..",
    "..YYYYYYY...YYYYYY...YYYYYYY..",
    "..YYYYYYYY.YYYYYYYY.YYYYYYYY..",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYY......................YYY.",
    ".YYYY.RRRRRRRRRRRRRRRRRR.YYYY.",
    "..YYY.RRRRRRRRRRRRRRRRRR.YYY..",
    "..YYY..RRRRRRRRRRRRRRRR..YYY..",
    "..YYYY..RRRRRRRRRRRRRR..YYYY..",
    "...YYYY..RRRRRRRRRRRR..YYYY...",
    "...YYYYY...RRRRRRRR...YYYYY...",
    "....YYYYYY..........YYYYYY....",
    ".....YYYYYYYYYYYYYYYYYYYY.....",
    "......YYYYYYYYYYYYYYYYYY......",
    ".......YYYYYYYYYYYYYYYY.......",
    ".........YYYYYYYYYYYY.........",
    "............YYYYYY............",
    "..............................",
};

constexpr std::string_view kFrowning[] = {
    "..............................",
    "............YYYYYY............",
    ".........YYYYYYYYYYYY.........",
    ".......YYYYYYYYYYYYYYYY.......",
    "......YYYYYYYYYYYYYYYYYY......",
    ".....YYYYYYYYYYYYYYYYYYYY.....",
    "....YYYYYYYYYYYYYYYYYYYYYY....",
    "...YYYYYYY.YYYYYYYY.YYYYYYY...",
    "...YYYYYY...YYYYYY...YYYYYY...",
    "..YYYYYYY...YYYYYY...YYYYYYY..",
    "..YYYYYYY...YYYYYY...YYYYYYY..",
    "..YYYYYYYY.YYYYYYYY.YYYYYYYY..",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYYYYYYYY........YYYYYYYYYY.",
    "..YYYYYYY............YYYYYYY..",
    "..YYYYYY...YYYYYYYY...YYYYYY..",
    "..YYYYY...YYYYYYYYYY...YYYYY..",
    "...YYY...YYYYYYYYYYYY...YYY...",
    "...YYY..YYYYYYYYYYYYYY..YYY...",
    "....YYYYYYYYYYYYYYYYYYYYYY....",
    ".....YYYYYYYYYYYYYYYYYYYY.....",
    "......YYYYYYYYYYYYYYYYYY......",
    ".......YYYYYYYYYYYYYYYY.......",
    ".........YYYYYYYYYYYY.........",
    "............YYYYYY............",
    "..............................",
};

constexpr std::string_view kNoseAndGrin[] = {
    "..............................",
    "............YYYYYY............",
    ".........YYYYYYYYYYYY.........",
    ".......YYYYYYYYYYYYYYYY.......",
    "......YYYYYYYYYYYYYYYYYY......",
    ".....YYYYYYYYYYYYYYYYYYYY.....",
    "....YYYYYYYYYYYYYYYYYYYYYY....",
    "...YYYYYYY.YYYYYYYY.YYYYYYY...",
    "...YYYYYY...YYYYYY...YYYYYY...",
    "..YYYYYYY...YYYYYY...YYYYYYY..",
    "..YYYYYYY...YYYYYY...YYYYYYY..",
    "..YYYYYYYY.YYY..YYY.YYYYYYYY..",
    ".YYYYYYYYYYYYY..YYYYYYYYYYYYY.",
    ".YYYYYYYYYYYY.YY.YYYYYYYYYYYY.",
    ".YYYYYYYYYYY.YYYY.YYYYYYYYYYY.",
    ".YYYYYYYYYYY......YYYYYYYYYYY.",
    ".YYYYYYYYYYYYYYYYYYYYYYYYYYYY.",
    ".YYYY.YYYYYYYYYYYYYYYYYY.YYYY.",
    "..YYY..YYYYYYYYYYYYYYYY..YYY..",
    "..YYYY....YYYYYYYYYY....YYYY..",
    "..YYYYY.RR..........RR.YYYYY..",
    "...YYYYY.RRRRRRRRRRRR.YYYYY...",
    "...YYYYYY...RRRRRR...YYYYYY...",
    "....YYYYYYYY......YYYYYYYY....",
    ".....YYYYYYYYYYYYYYYYYYYY.....",
    "......YYYYYYYYYYYYYYYYYY......",
    ".......YYYYYYYYYYYYYYYY.......",
    ".........YYYYYYYYYYYY.........",
    "............YYYYYY............",
    "..............................",
};

constexpr std::string_view kFaceMask[] = {
    "###########........###########",
    "########..............########",
    "#######................#######",
    "#####....................#####",
    "####......................####",
    "###........................###",
    "###........................###",
    "##..........................##",
    "#............................#",
    "#............................#",
    "#............................#",
    "..............................",
    "..............................",
    "..............................",
    "..............................",
    "..............................",
    "..............................",
    "..............................",
    "..............................",
    "#............................#",
    "#............................#",
    "#............................#",
    "##..........................##",
    "###........................###",
    "###........................###",
    "####......................####",
    "#####....................#####",
    "#######................#######",
    "########..............########",
    "###########........###########",
};
// clang-format on

constexpr int kSide = 30;

}  // namespace

PixelArt faceArt(int expression) {
  switch (expression) {
    case 0:
      return {"smiling face", kSide, kSide, kSmiling};
    case 1:
      return {"face with a straight mouth", kSide, kSide, kStraightMouth};
    case 2:
      return {"face with a broad grin", kSide, kSide, kBroadGrin};
    case 3:
      return {"frowning face", kSide, kSide, kFrowning};
    case 4:
      return {"face with a nose and a grin", kSide, kSide, kNoseAndGrin};
    default:
      throw std::out_of_range("no face expression " + std::to_string(expression) +
                              " (there are five, 0 to 4)");
  }
}

// A black disc that reaches the middle of every edge; white only in the
// corners, where no face ever draws.
PixelArt faceMaskArt() { return {"face mask", kSide, kSide, kFaceMask}; }

}  // namespace grinzo::images
