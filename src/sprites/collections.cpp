#include "sprites/collections.h"

#include <cmath>

namespace grinzo::sprites {

// --- CGrinzos ------------------------------------------------------------------

CGrinzos::CGrinzos(const ImageLookup& lookup, rt::RandomSource& random) : random_(&random) {
  static constexpr const char* kFaces[5] = {"grinzo1.bmp", "grinzo2.bmp", "grinzo3.bmp",
                                            "grinzo4.bmp", "grinzo5.bmp"};
  for (int i = 0; i < 5; ++i) mlngGrinzo[i] = lookup.GetImageDC(kFaces[i]);
  mlngGrinzoMask = lookup.GetImageDC("grinzomask.bmp");
}

CGrinzos::~CGrinzos() {
  mCol.clear();
  for (gdi::HDC face : mlngGrinzo) ImageLookup::DeleteImageDC(face);
  ImageLookup::DeleteImageDC(mlngGrinzoMask);
}

void CGrinzos::Add(std::int16_t intAngle, std::int16_t intX, std::int16_t intY) {
  const int n = static_cast<int>(std::floor(static_cast<double>(random_->next()) * 5 + 1));
  auto face = std::make_shared<CGrinzo>();
  face->Angle = intAngle;
  face->X = intX;
  face->Y = intY;
  CGrinzo& made = *face;
  store(std::move(face), &CGrinzo::GirnzoCode);
  made.Create(mlngGrinzo[n - 1], mlngGrinzoMask, 30, 30);
}

// --- CBlobs --------------------------------------------------------------------

void CBlobs::Add(std::int16_t intType, std::int16_t intX, std::int16_t intY) {
  auto blob = std::make_shared<CBlob>();
  blob->BlobType = intType;
  blob->X = intX;
  blob->Y = intY;
  store(std::move(blob), &CBlob::BlobCode);
}

}  // namespace grinzo::sprites
