#pragma once
// Drawing surfaces: memory device contexts and bitmaps addressed the way the
// game addresses them, by handles held in 32-bit signed integers (0 = none).
//
// One process-wide table holds every surface and bitmap; handles are never
// reused while the process lives. All calls are made from the user-interface
// thread (the table is not locked). Every call accepts any handle value:
// 0, negative, deleted or unknown handles make the call fail quietly (result
// 0 / nothing drawn), never crash.
//
// Pixels are 32-bit 0x00RRGGBB values (in memory B, G, R, X: the layout of a
// 32-bit Windows device-independent bitmap), rows top-down.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "ui/runtime/errors.h"

namespace grinzo::gdi {

using Handle = std::int32_t;
using HDC = Handle;
using HBITMAP = Handle;
using COLORREF = std::uint32_t;  // 0x00BBGGRR, as the platform reports a colour
using Pixel = std::uint32_t;     // 0x00RRGGBB, as surfaces store it

inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;
inline constexpr std::uint32_t SRCAND = 0x008800C6;
inline constexpr std::uint32_t SRCPAINT = 0x00EE0086;
inline constexpr std::uint32_t BLACKNESS = 0x00000042;
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

constexpr Pixel rgb(int r, int g, int b) {
  return (static_cast<Pixel>(r & 0xFF) << 16) | (static_cast<Pixel>(g & 0xFF) << 8) |
         static_cast<Pixel>(b & 0xFF);
}
constexpr int red(Pixel p) { return static_cast<int>((p >> 16) & 0xFF); }
constexpr int green(Pixel p) { return static_cast<int>((p >> 8) & 0xFF); }
constexpr int blue(Pixel p) { return static_cast<int>(p & 0xFF); }
constexpr COLORREF toColorRef(Pixel p) {
  return static_cast<COLORREF>(red(p)) | (static_cast<COLORREF>(green(p)) << 8) |
         (static_cast<COLORREF>(blue(p)) << 16);
}

// A block of pixels owned by value. Row y starts at pixels[y * width].
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<Pixel> pixels;

  Bitmap() = default;
  Bitmap(int w, int h, Pixel fill = 0)
      : width(w),
        height(h),
        pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}
  Pixel& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
  Pixel at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  bool operator==(const Bitmap&) const = default;
};

// Largest width or height of a bitmap object; bigger requests fail.
inline constexpr int kMaxBitmapSide = 32768;
// Most pixels a bitmap file may hold: the largest screen the program
// supports, a virtual screen of 16384 x 8192 (two 8K monitors side by side).
inline constexpr std::uint64_t kMaxBitmapFilePixels = 16384ull * 8192ull;

// --- Surfaces and bitmap objects --------------------------------------------

// A new memory surface. `reference` may be 0 (compatible with the screen) or
// a live surface; anything else fails with 0. The new surface has a 1 x 1
// black bitmap selected, as a fresh memory device context does.
HDC CreateCompatibleDC(HDC reference);

// A new black bitmap of width x height for use with `surface`. 0 when the
// surface is not live or a side is below 1 or above kMaxBitmapSide.
HBITMAP CreateCompatibleBitmap(HDC surface, int width, int height);

// A new bitmap object holding a copy of `pixels`; 0 when its size is invalid.
HBITMAP CreateBitmapFromPixels(const Bitmap& pixels);

// Selects a bitmap into a surface and returns the bitmap that was selected
// before (its handle, or 0 for the surface's initial 1 x 1 bitmap). 0 and no
// change when either handle is not live. A bitmap may be selected into one
// surface at a time; selecting it into a second fails.
HBITMAP SelectObject(HDC surface, HBITMAP bitmap);

// Gives up a bitmap handle; returns non-zero when the handle was live. A
// bitmap still selected into a surface stays alive through that surface until
// the surface is deleted or selects another bitmap.
int DeleteObject(HBITMAP bitmap);

// Deletes a memory surface; non-zero when it was live.
int DeleteDC(HDC surface);

// Block transfer of width x height pixels from (xSrc, ySrc) of `src` to
// (x, y) of `dst` with SRCCOPY, SRCAND or SRCPAINT. Clipped on all four sides
// of both surfaces: only pixels whose source and destination both lie inside
// their bitmaps are touched. Returns non-zero on success; 0 (nothing drawn)
// when a handle is not live, the operation is unknown, or the size is not
// positive. A frame's whole-window copy of an unchanged background costs only
// what was drawn since the previous frame (see CopyCounts); the pixels are
// always exactly those of a plain copy.
int BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc,
           std::uint32_t rop);

// One sprite drawn the way the game draws its faces: a mask ANDed onto the
// destination, then a picture ORed onto the same rectangle.
struct MaskedSprite {
  int x = 0, y = 0, width = 0, height = 0;
  HDC mask = 0;
  HDC picture = 0;
  int xSrc = 0, ySrc = 0;  // in both the mask and the picture
};

// Draws `count` sprites onto `dst`, later ones over earlier ones: exactly the
// pixels of, for each sprite in turn,
//   BitBlt(dst, x, y, width, height, mask, xSrc, ySrc, SRCAND);
//   BitBlt(dst, x, y, width, height, picture, xSrc, ySrc, SRCPAINT);
// with the same clipping and the same failures (a handle that is not live
// skips that one transfer). Fast for any number: a few sprites are drawn in
// one pass each, and many overlapping ones from the top down, where what is
// hidden is never drawn.
void DrawMaskedSprites(HDC dst, const MaskedSprite* sprites, std::size_t count);

// Copies a block of the background and draws the sprites over it: the same
// pixels as BitBlt(dst, x, y, width, height, background, xSrc, ySrc, SRCCOPY)
// followed by DrawMaskedSprites(dst, sprites, count), and the same repeated
// copies for the frames after it. With many sprites the two are done in one
// pass, in which what the sprites hide is never copied.
void CopyAndDrawSprites(HDC dst, int x, int y, int width, int height, HDC background, int xSrc,
                        int ySrc, const MaskedSprite* sprites, std::size_t count);

// Fills width x height pixels at (x, y) of `dst`, clipped to its bitmap. Only
// BLACKNESS is known; 0 for any other operation or a surface that is not live.
int PatBlt(HDC dst, int x, int y, int width, int height, std::uint32_t rop);
// The colour at (x, y) of the surface's bitmap, as a COLORREF; CLR_INVALID
// outside the bitmap or for a surface that is not live.
COLORREF GetPixel(HDC surface, int x, int y);

// --- Direct access (backends, picture files, tests) ------------------------

// The bitmap selected into a live surface, for writing; nullptr when the
// surface is not live. The pointer stays valid until the surface is deleted or
// selects another bitmap. BitBlt cannot see what is written through it, so
// each call counts as "the whole bitmap changed" and makes the next copy that
// involves the bitmap a full one: write right after the call, and call again
// for writes after a later BitBlt. Readers use SurfacePixels.
Bitmap* SurfaceBitmap(HDC surface);

// The bitmap selected into a live surface, for reading only; nullptr when the
// surface is not live. Same lifetime as SurfaceBitmap, and costs nothing.
const Bitmap* SurfacePixels(HDC surface);

// Size of the bitmap selected into a surface; {0, 0} when not live.
struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};
Size SurfaceSize(HDC surface);

// A rectangle of pixels.
struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

// What changed in the bitmap selected into a surface since the previous call
// for that bitmap: `all` of it, or the rectangles in `rects` (which may
// overlap). The first call for a bitmap gives `all`, and so does a change
// the bitmap could not follow (a write through SurfaceBitmap, more changes
// than it keeps). For windows that show their image by sending only what
// changed.
struct ChangedArea {
  bool all = true;
  std::vector<Rect> rects;
};
void TakeChangedArea(HDC surface, ChangedArea& out);

// Whether a handle names a live surface / a live bitmap object.
bool IsSurface(HDC handle);
bool IsBitmap(HBITMAP handle);

// Number of live surfaces plus live bitmap handles, for leak checks.
int LiveObjectCount();

// How the SRCCOPY transfers between two different bitmaps were carried out
// since the process started (for tests and the benchmark). A copy that repeats
// the previous one onto the same bitmap - same source bitmap, same clipped
// rectangle - moves only what was drawn on either bitmap since then.
struct CopyCounts {
  std::uint64_t full = 0;     // every pixel of the rectangle moved
  std::uint64_t changes = 0;  // only the parts changed since the previous copy
};
CopyCounts CopyCountsSoFar();

// The widest vector instructions the sprite batches may use: "none", "avx2"
// or "avx512" (the default), each only where the processor has them. For
// measuring a narrower path as a processor without the wider ones runs it.
// False, changing nothing, for another name.
bool LimitVectorInstructions(const std::string& name);
// The vector instructions the sprite batches use now: "none", "AVX2" or
// "AVX-512".
const char* VectorInstructionsInUse();

// --- Windows bitmap files ----------------------------------------------------

// Raised when a bitmap file cannot be read or written; the message names the
// file and the reason.
class BitmapFileError : public rt::RuntimeError {
 public:
  BitmapFileError(rt::ErrorNumber number, const std::string& message)
      : rt::RuntimeError(number, message) {}
};

// Decodes a Windows bitmap file held in memory: 1, 4 and 8-bit palettized and
// 24 and 32-bit uncompressed images, bottom-up or top-down, with the
// BITMAPINFOHEADER or a later (V4, V5) header; 8 and 4-bit run-length
// compression may be refused. A malformed, truncated or hostile file raises
// BitmapFileError (BadFileFormat) and never reads outside `data`.
Bitmap DecodeBitmapFile(const std::uint8_t* data, std::size_t size);

// Encodes as an uncompressed 24-bit bottom-up Windows bitmap file.
std::vector<std::uint8_t> EncodeBitmapFile(const Bitmap& bitmap);

// Streams what EncodeBitmapFile makes to `out`, a row at a time: a large
// screen's picture is never whole in memory twice.
void WriteBitmapTo(std::ostream& out, const Bitmap& bitmap);

// File versions of the two above. Reading a missing file raises
// BitmapFileError(FileNotFound); a write that fails raises
// BitmapFileError(PermissionDenied or PathNotFound) and leaves no partial file
// under the target name.
Bitmap ReadBitmapFile(const std::string& path);
void WriteBitmapFile(const std::string& path, const Bitmap& bitmap);

}  // namespace grinzo::gdi
