#pragma once
// The game window's two collections: the faces on screen (CGrinzos) and the
// splats and holes made but not yet painted into the background (CBlobs).
//
// Both hand out keys "1", "2", ... from a counter of their own that only ever
// rises, so a key is never reused. The counter is 64 bits wide: a window that
// plays for weeks under machine-gun fire still never runs out of keys.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "sprites/grinzo.h"
#include "sprites/image_lookup.h"
#include "ui/runtime/collection.h"
#include "ui/runtime/random.h"

namespace grinzo::sprites {

// What both collections share: the keyed collection, the key counter, and the
// operations that pass straight through to the collection.
template <class T>
class KeyedItems {
 public:
  KeyedItems() = default;
  KeyedItems(const KeyedItems&) = delete;
  KeyedItems& operator=(const KeyedItems&) = delete;

  // Remove and Item raise RuntimeError KeyNotFound for a key that is not present.
  void Remove(const std::string& strKey) { mCol.remove(strKey); }
  std::shared_ptr<T> Item(const std::string& strKey) const { return mCol.item(strKey); }
  std::int32_t Count() const { return mCol.count(); }
  // For-each in insertion order; removing the element being visited is safe.
  auto begin() const { return mCol.begin(); }
  // Every item in order, as T&; `f` must not add or remove items.
  template <class F>
  void forEach(F&& f) const {
    mCol.forEachValue(std::forward<F>(f));
  }
  auto end() const { return mCol.end(); }
  std::int64_t keysHandedOut() const { return intKeyCount; }

 protected:
  ~KeyedItems() = default;
  // Stores `item` under the next key, which it is given as well.
  void store(std::shared_ptr<T> item, std::string T::*key) {
    std::string code = std::to_string(++intKeyCount);
    (*item).*key = code;
    mCol.add(std::move(code), std::move(item));
  }

  rt::KeyedCollection<T> mCol;

 private:
  std::int64_t intKeyCount = 0;
};

// One splat or hole waiting to be painted into the background.
class CBlob {
 public:
  std::string BlobCode;  // key in its collection
  std::int16_t X = 0;    // the point that was hit, window pixels
  std::int16_t Y = 0;
  std::int16_t BlobType = 0;  // 1 face splat, 2 handgun hole, 3 pellet or bullet hole
};

// The live faces. Owns the five face pictures and their shared mask from
// its creation to its end and lends them to its faces.
class CGrinzos : public KeyedItems<CGrinzo> {
 public:
  CGrinzos(const ImageLookup& lookup, rt::RandomSource& random);
  // Drops the faces, then releases the six surfaces.
  ~CGrinzos();

  // A new face with a picture chosen at random (one draw from the random
  // source, made before anything else), the next key, the given direction
  // and top-left corner, 30 x 30 pixels.
  void Add(std::int16_t intAngle, std::int16_t intX, std::int16_t intY);

  // The face picture surfaces, 1 to 5, and the mask.
  gdi::HDC picture(int n) const { return mlngGrinzo[n - 1]; }
  gdi::HDC maskSurface() const { return mlngGrinzoMask; }

 private:
  rt::RandomSource* random_;
  gdi::HDC mlngGrinzo[5] = {};
  gdi::HDC mlngGrinzoMask = 0;
};

// The splats and holes waiting for the next frame. Owns no surfaces.
class CBlobs : public KeyedItems<CBlob> {
 public:
  void Add(std::int16_t intType, std::int16_t intX, std::int16_t intY);
};

}  // namespace grinzo::sprites
