#include "app/PlacementDpi.h"

#include "framework/Dpi.h"
#include "framework/Forms.h"
#include "framework/Variant.h"
#include "store/VKRRegistryEnhanced.h"

namespace {

// Monitors run from 96 DPI at 100 % to 480 at 500 %; anything far outside
// was not written by this program.
constexpr int LowestDpi = 48;
constexpr int HighestDpi = 960;

std::wstring DpiValue(const std::wstring& PlacementValue) { return PlacementValue + L" DPI"; }

}  // namespace

RECT BoundsForDpi(const RECT& Stored, int StoredDpi, int Dpi) {
  if (StoredDpi <= 0 || Dpi <= 0 || StoredDpi == Dpi) return Stored;
  return RECT{Stored.left, Stored.top, Stored.left + MulDiv(Stored.right - Stored.left, Dpi, StoredDpi),
              Stored.top + MulDiv(Stored.bottom - Stored.top, Dpi, StoredDpi)};
}

void StorePlacementDpi(TVKRRegistryEnhanced& Store, const std::wstring& PlacementValue, int Dpi) {
  Store.SetValue(DpiValue(PlacementValue), Variant(static_cast<int32_t>(Dpi)));
}

int StoredPlacementDpi(TVKRRegistryEnhanced& Store, const std::wstring& PlacementValue) {
  // Without a placement the window takes its designed size for its own DPI.
  if (!Store.ValueExists(PlacementValue)) return 0;
  const Variant Stored = Store.GetValueDefault(DpiValue(PlacementValue), Variant(static_cast<int32_t>(0)));
  int32_t Dpi = 0;
  try {
    Dpi = Stored.ToInteger();
  } catch (const std::exception&) {
    return 0;
  }
  return Dpi >= LowestDpi && Dpi <= HighestDpi ? Dpi : 0;
}

void FollowPlacementDpi(TForm& Form, int StoredDpi, int Dpi) {
  if (StoredDpi <= 0 || Dpi <= 0) return;
  const RECT Stored{Form.Left(), Form.Top(), Form.Left() + Form.Width(), Form.Top() + Form.Height()};
  const RECT Bounds = BoundsForDpi(Stored, StoredDpi, Dpi);
  // A form laid out for another DPI takes its fonts, pictures and columns
  // for this one with the bounds, as when it moves to such a monitor.
  if (Form.PixelsPerInch() != Dpi)
    Form.ChangeDpi(Dpi, Bounds);
  else
    Form.SetBounds(Bounds.left, Bounds.top, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top);
}

void FollowPlacementDpi(TForm& Form, int StoredDpi) {
  if (StoredDpi <= 0) return;
  const RECT Bounds{Form.Left(), Form.Top(), Form.Left() + Form.Width(), Form.Top() + Form.Height()};
  FollowPlacementDpi(Form, StoredDpi, MonitorPixelsPerInch(Bounds));
}
