#pragma once
// Pictures beside menu items, cut from a strip bitmap of the module's
// resources whose magenta pixels are transparent (the same strips the
// toolbar and the image lists use); they show the menu's colour.

#include "framework/Handle.h"

#include <vector>

class TMenuImages {
public:
  // Gives the item CommandId of Menu image Index of the strip BitmapId
  // (square images of ImageSize pixels). The bitmaps live as long as this object.
  void Assign(HMENU Menu, int CommandId, int BitmapId, int ImageSize, int Index);

  // The bitmap given to the item CommandId of Menu, nullptr for none.
  static HBITMAP ItemBitmap(HMENU Menu, int CommandId);

private:
  std::vector<UniqueGdi<HBITMAP>> FBitmaps;
};
