// The crosshair, 24 x 21: black on white.
//
// Unlike the other sprites its picture is the same as its mask, so this one
// drawing serves as both. AND-ing it alone draws the black crosshair and
// leaves the rest of the rectangle untouched; the pointer sits on pixel
// (10, 10).

#include <string_view>

#include "ui/images/pixel_art.h"

namespace grinzo::images {
namespace {

// '.' black, '#' white. A ring spanning columns 3 to 20 and rows 2 to 17,
// bars two pixels thick on rows 9-10 and columns 11-12, a filled centre.

// clang-format off
constexpr std::string_view kCrosshair[] = {
    "###########..###########",
    "###########..###########",
    "##########....##########",
    "#######...#..#...#######",
    "######.####..####.######",
    "#####.#####..#####.#####",
    "####.######..######.####",
    "####.######..######.####",
    "###.######....######.###",
    "........................",
    "........................",
    "###.######....######.###",
    "####.######..######.####",
    "####.######..######.####",
    "#####.#####..#####.#####",
    "######.####..####.######",
    "#######...#..#...#######",
    "##########....##########",
    "###########..###########",
    "###########..###########",
    "###########..###########",
};
// clang-format on

}  // namespace

PixelArt crosshairArt() { return {"crosshair", 24, 21, kCrosshair}; }

}  // namespace grinzo::images
