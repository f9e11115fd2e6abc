#include "framework/MenuImages.h"
#include "framework/Handle.h"

#include "framework/Application.h"
#include "framework/Exception.h"

#include <cstdint>
#include <string>

namespace {

// An opaque 32-bit bitmap whose magenta pixels take the menu's colour. A
// bitmap with an alpha channel would be the cleaner way, but Wine draws its
// transparent pixels black; the menu colour is right under both, and under a
// high-contrast scheme too.
HBITMAP CutImage(HBITMAP Strip, int ImageSize, int Index) {
  BITMAP Info{};
  GetObjectW(Strip, sizeof(Info), &Info);
  if ((Index + 1) * ImageSize > Info.bmWidth || Info.bmHeight < ImageSize) return nullptr;

  BITMAPINFO Format{};
  Format.bmiHeader.biSize = sizeof(Format.bmiHeader);
  Format.bmiHeader.biWidth = Info.bmWidth;
  Format.bmiHeader.biHeight = -Info.bmHeight;  // top-down rows
  Format.bmiHeader.biPlanes = 1;
  Format.bmiHeader.biBitCount = 32;
  Format.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> Source(static_cast<size_t>(Info.bmWidth) * static_cast<size_t>(Info.bmHeight));
  const int Rows = GetDIBits(TWindowDC(nullptr).get(), Strip, 0, static_cast<UINT>(Info.bmHeight), Source.data(),
                             &Format, DIB_RGB_COLORS);
  if (Rows == 0) return nullptr;

  BITMAPINFO ImageFormat = Format;
  ImageFormat.bmiHeader.biWidth = ImageSize;
  ImageFormat.bmiHeader.biHeight = -ImageSize;
  void* Bits = nullptr;
  HBITMAP Image = CreateDIBSection(nullptr, &ImageFormat, DIB_RGB_COLORS, &Bits, nullptr, 0);
  if (Image == nullptr) return nullptr;
  auto* Target = static_cast<uint32_t*>(Bits);
  const COLORREF Menu = GetSysColor(COLOR_MENU);
  const uint32_t Background = 0xFF000000u | (static_cast<uint32_t>(GetRValue(Menu)) << 16) |
                              (static_cast<uint32_t>(GetGValue(Menu)) << 8) | GetBValue(Menu);
  for (int y = 0; y < ImageSize; ++y)
    for (int x = 0; x < ImageSize; ++x) {
      const uint32_t Pixel = Source[static_cast<size_t>(y) * Info.bmWidth + Index * ImageSize + x] & 0x00FFFFFF;
      Target[y * ImageSize + x] = Pixel == 0x00FF00FF ? Background : (Pixel | 0xFF000000);
    }
  return Image;
}

}  // namespace

HBITMAP TMenuImages::ItemBitmap(HMENU Menu, int CommandId) {
  MENUITEMINFOW Item{};
  Item.cbSize = sizeof(Item);
  Item.fMask = MIIM_BITMAP;
  return GetMenuItemInfoW(Menu, static_cast<UINT>(CommandId), FALSE, &Item) ? Item.hbmpItem : nullptr;
}

void TMenuImages::Assign(HMENU Menu, int CommandId, int BitmapId, int ImageSize, int Index) {
  UniqueGdi<HBITMAP> Strip(static_cast<HBITMAP>(LoadImageW(Application().HInstance(), MAKEINTRESOURCEW(BitmapId),
                                                           IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!Strip) throw EResNotFound(L"Menu image strip " + std::to_wstring(BitmapId));
  UniqueGdi<HBITMAP> Image(CutImage(Strip.get(), ImageSize, Index));
  if (!Image) return;  // a picture is a nicety; the item works without one
  MENUITEMINFOW Item{};
  Item.cbSize = sizeof(Item);
  Item.fMask = MIIM_BITMAP;
  Item.hbmpItem = Image.get();
  if (SetMenuItemInfoW(Menu, static_cast<UINT>(CommandId), FALSE, &Item)) FBitmaps.push_back(std::move(Image));
}
