#pragma once
// CGrinzo: one grinning face on the game window. A small record of key,
// position, size and direction, plus the borrowed handles of its picture and
// mask surfaces and the operation that draws it transparently.
//
// Faces are made only by the face collection (CGrinzos), which owns the
// picture and mask surfaces and lends the same handles to all its faces. The
// game moves a face by changing X, Y and Angle, draws it every frame and
// calls Delete just before it leaves the collection.

#include <cstdint>
#include <string>

#include "ui/gdi/gdi.h"

namespace grinzo::forms {
class Form;
}

namespace grinzo::sprites {

class CGrinzo {
 public:
  // Plain stored properties. OldX, OldY, Dir, ColorUnderSprite, Hp and Lives
  // are kept for the record's shape; nothing in the game reads them.
  std::string GirnzoCode;  // the key in the face collection: "1", "2", ...
  std::int16_t Angle = 0;  // degrees clockwise from straight up
  std::int16_t X = 0;      // top-left corner in window pixels
  std::int16_t Y = 0;
  std::int16_t OldX = 0;
  std::int16_t OldY = 0;
  std::int16_t Width = 0;
  std::int16_t Height = 0;
  std::int16_t Dir = 0;
  bool FirstTimeDrawn = false;
  std::int32_t ColorUnderSprite = 0;
  std::int16_t Hp = 0;
  std::int16_t Lives = 0;

  // Copies the background saved under the face back to the window and marks
  // the face as not drawn. Nothing saves that background, so the copy comes
  // from surface 0 and draws nothing.
  void Hide(const forms::Form& form);
  // Draws the face at (X, Y), Width x Height: the mask ANDed, then the
  // picture ORed onto the window's persistent image. Changes no member.
  // Raises when the window has no drawing surface (it is not loaded).
  void Draw(const forms::Form& form) const;
  // Takes the borrowed picture and mask surfaces and the size; draws nothing.
  void Create(gdi::HDC lngSprite, gdi::HDC lngMask, std::int16_t intWidth, std::int16_t intHeight);
  // Releases the face's own surface (never assigned, so nothing); the
  // borrowed picture and mask stay usable by the other faces.
  void Delete();

  gdi::HDC sprite() const { return mlngSprite; }
  gdi::HDC mask() const { return mlngMask; }

 private:
  gdi::HDC mlngSprite = 0;
  gdi::HDC mlngMask = 0;
  gdi::HDC mlngUnderSprite = 0;
};

}  // namespace grinzo::sprites
