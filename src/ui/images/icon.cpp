// The program icon: a round yellow smiling face with a black outline on a
// transparent ground, at 32 x 32 and 16 x 16, in the classic 16 colours.

#include <string_view>

#include "ui/images/pixel_art.h"

namespace grinzo::images {
namespace {

// ' ' transparent, 'K' black, 'Y' yellow, 'y' dark yellow (the shaded lower
// right), 'W' white (the highlight).

// clang-format off
constexpr std::string_view kIcon32[] = {
    "                                ",
    "           KKKKKKKKKK           ",
    "         KKKYYYYYYYYKKK         ",
    "       KKKYYYYYYYYYYYYKKK       ",
    "      KKYYYYYYYYYYYYYYYYKK      ",
    "     KKYYYYYYYYYYYYYYYYYYKK     ",
    "    KKYWWYYYYYYYYYYYYYYYYYKK    ",
    "   KKYWWYYYYYYYYYYYYYYYYYYyKK   ",
    "   KYYWYYYYKYYYYYYYYKYYYYYYyK   ",
    "  KKYYYYYYKKKYYYYYYKKKYYYYYyKK  ",
    "  KYYYYYYYKKKYYYYYYKKKYYYYYyyK  ",
    " KKYYYYYYYKKKYYYYYYKKKYYYYYyyKK ",
    " KYYYYYYYYKKKYYYYYYKKKYYYYYYyyK ",
    " KYYYYYYYYYKYYYYYYYYKYYYYYYYyyK ",
    " KYYYYYYYYYYYYYYYYYYYYYYYYYYyyK ",
    " KYYYYYYYYYYYYYYYYYYYYYYYYYyyyK ",
    " KYYYYYYYYYYYYYYYYYYYYYYYYYyyyK ",
    " KYYYYKKYYYYYYYYYYYYYYYYKKYyyyK ",
    " KYYYYKKKYYYYYYYYYYYYYYKKKYyyyK ",
    " KYYYYYKKKYYYYYYYYYYYYKKKYyyyyK ",
    " KKYYYYYKKKYYYYYYYYYYKKKYYyyyKK ",
    "  KYYYYYYKKKKYYYYYYKKKKYYyyyyK  ",
    "  KKYYYYYYKKKKKKKKKKKKYYYyyyKK  ",
    "   KYYYYYYYYYKKKKKKYYYYYyyyyK   ",
    "   KKYYYYYYYYYYYYYYYYYYyyyyKK   ",
    "    KKYYYYYYYYYYYYYYYyyyyyKK    ",
    "     KKyYYYYYYYYYYYyyyyyyKK     ",
    "      KKyyyyYYYyyyyyyyyyKK      ",
    "       KKKyyyyyyyyyyyyKKK       ",
    "         KKKyyyyyyyyKKK         ",
    "           KKKKKKKKKK           ",
    "                                ",
};

constexpr std::string_view kIcon16[] = {
    "     KKKKKK     ",
    "   KKYYYYYYKK   ",
    "  KYYYYYYYYYYK  ",
    " KYYYYYYYYYYYYK ",
    " KYYYKYYYYKYYYK ",
    "KYYYYKYYYYKYYYYK",
    "KYYYYKYYYYKYYYYK",
    "KYYYYYYYYYYYYYYK",
    "KYYYYYYYYYYYYYYK",
    "KYYKYYYYYYYYKYYK",
    "KYYYKYYYYYYKYYYK",
    " KYYYKKKKKKYYYK ",
    " KYYYYYYYYYYYYK ",
    "  KYYYYYYYYYYK  ",
    "   KKYYYYYYKK   ",
    "     KKKKKK     ",
};
// clang-format on

}  // namespace

PixelArt programIconArt(int size) {
  if (size == 16) return {"16 x 16 icon", 16, 16, kIcon16};
  return {"32 x 32 icon", 32, 32, kIcon32};
}

}  // namespace grinzo::images
