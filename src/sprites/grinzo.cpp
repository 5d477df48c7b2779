#include "sprites/grinzo.h"

#include "sprites/image_lookup.h"
#include "ui/forms/form.h"
#include "ui/runtime/errors.h"

namespace grinzo::sprites {

namespace {

gdi::HDC windowSurface(const forms::Form& form) {
  const gdi::HDC dc = form.hDC();
  if (dc <= 0) {
    throw rt::RuntimeError(rt::ErrorNumber::InvalidArgument,
                           "The window \"" + form.name() + "\" has no drawing surface");
  }
  return dc;
}

}  // namespace

void CGrinzo::Hide(const forms::Form& form) {
  if (form.hDC() > 0)
    gdi::BitBlt(form.hDC(), X, Y, Width, Height, mlngUnderSprite, 0, 0, gdi::SRCCOPY);
  FirstTimeDrawn = false;
}

void CGrinzo::Draw(const forms::Form& form) const {
  gdi::BitBlt(windowSurface(form), X, Y, Width, Height, mlngMask, 0, 0, gdi::SRCAND);
  gdi::BitBlt(windowSurface(form), X, Y, Width, Height, mlngSprite, 0, 0, gdi::SRCPAINT);
}

void CGrinzo::Create(gdi::HDC lngSprite, gdi::HDC lngMask, std::int16_t intWidth,
                     std::int16_t intHeight) {
  mlngSprite = lngSprite;
  mlngMask = lngMask;
  Width = intWidth;
  Height = intHeight;
}

void CGrinzo::Delete() { ImageLookup::DeleteImageDC(mlngUnderSprite); }

}  // namespace grinzo::sprites
