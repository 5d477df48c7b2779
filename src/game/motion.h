#pragma once
// Face motion: once per frame each face moves by the step along its
// direction and turns back from the window's edges.
//
// Directions are whole degrees clockwise from straight up. The step is split
// between the axes in proportion to the angle within its quarter, with no
// trigonometry, so that the distances along x and y add up to the step.

#include "sprites/grinzo.h"

namespace grinzo::game {

// Moves `face` by `step` pixels and applies the four edge rules of a window
// whose inner size is scaleWidth x scaleHeight pixels. Raises OverflowError
// when a new position leaves the 16-bit range (nothing is changed then if
// the move itself failed).
void moveFace(sprites::CGrinzo& face, double step, float scaleWidth, float scaleHeight);

}  // namespace grinzo::game
