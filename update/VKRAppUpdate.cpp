#include "update/VKRAppUpdate.h"

TVKRAppUpdate::TVKRAppUpdate() {
  const TColor TooltipText = clSystemColor | COLOR_INFOTEXT;
  FFont.SetName(L"Segoe UI");
  FFont.SetSize(9);
  FFont.SetColor(TooltipText);
  FFontReadme.SetName(L"Calibri");
  FFontReadme.SetSize(9);
  FFontReadme.SetColor(TooltipText);
}

void TVKRAppUpdate::SetFont(const TFont& Value) {
  if (&Value != &FFont) FFont.Assign(Value);
}

void TVKRAppUpdate::SetFontReadme(const TFont& Value) {
  if (&Value != &FFontReadme) FFontReadme.Assign(Value);
}
