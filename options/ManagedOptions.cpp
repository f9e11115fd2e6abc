// The options an administrator sets by policy: they replace the stored
// values, their controls are greyed, and they are never saved over the
// user's own.

#include "options/QuenloUnit2.h"

#include "app/QuenloUnit1.h"

void TForm2::LoadManagedExtensions() {
  const auto Marks = FForm1.Policies().Marks(L"Extensions");
  if (!Marks) return;
  std::vector<std::wstring> Patterns;
  for (const auto& Mark : *Marks) Patterns.push_back(Mark.first);
  ExtensionsCheckListBox.SetItems(Patterns);
  for (size_t i = 0; i < Marks->size(); ++i) ExtensionsCheckListBox.SetChecked(static_cast<int>(i), (*Marks)[i].second);
  ExtensionsCheckListBox.SetEnabled(false);
}
