#pragma once
// The main window's placement record holds pixels. The DPI they were
// measured at is kept beside the record, as a value of its own, so that the
// record keeps its form for every version that reads it, and a window closed
// at one DPI opens at the same size in inches at another.

#include <windows.h>

#include <string>

class TForm;
class TVKRRegistryEnhanced;

// The bounds a placement stored at StoredDpi takes at Dpi: the same top left
// corner (screen positions do not scale), the size scaled.
RECT BoundsForDpi(const RECT& Stored, int StoredDpi, int Dpi);

// Records Dpi as the DPI of the placement stored under PlacementValue.
void StorePlacementDpi(TVKRRegistryEnhanced& Store, const std::wstring& PlacementValue, int Dpi);
// The DPI recorded with the placement; 0 when there is none (a placement
// stored by an earlier version, whose pixels are taken as they are) or when
// it is no DPI a monitor has.
int StoredPlacementDpi(TVKRRegistryEnhanced& Store, const std::wstring& PlacementValue);

// After a placement stored at StoredDpi has been applied to the form: gives
// the form its size for Dpi, and lays it out for Dpi when it was laid out
// for another. Nothing changes when StoredDpi is 0.
void FollowPlacementDpi(TForm& Form, int StoredDpi, int Dpi);
// The same for the DPI of the monitor the form now lies on.
void FollowPlacementDpi(TForm& Form, int StoredDpi);
