// The imports of the older one-value-per-field layouts of the records
// (records/StoreRecords.h), which read and write values only.

#include "store/VKRRegistryEnhanced.h"

#include "framework/Text.h"
#include "store/RegistryAccessor.h"

#include <string>
#include <vector>

namespace {

// The old layout kept every field as text. A number cannot be joined with
// the ", " that follows it (the separator would have to become a number), so
// such a field ends the import before anything is written or deleted.
std::wstring OldFieldText(const Variant& Field) {
  if (Field.IsText()) return Field.ToString();
  throw EConvertError(L"Could not convert variant of type (" + Variant::TypeName(TVarType::varUString) +
                      L") into type (Double)");
}

// The old layout's WindowState: 0, as a number or as text, was maximised.
bool OldStateMaximized(const Variant& State) {
  if (State.IsOrdinal()) return State.AsInt64() == 0;
  int32_t Number = 0;
  return State.IsText() && TryStrToInt(State.ToString(), Number) && Number == 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Helpers of the records

void TVKRRegistryEnhanced::WriteRecordText(const std::wstring& AValue, const std::wstring& Text) {
  if (FKey.empty()) return;
  TRegistryAccessor Reg = NewAccessor();
  if (!Reg.OpenKey(ValueKeyPath(AValue), true)) return;
  Reg.WriteString(ExtractValueName(AValue), Text);
}

void SplitRecord(TVKRBreakApart& Splitter, const std::wstring& Text, const std::wstring& Separator) {
  Splitter.SetBreakString(Separator);
  Splitter.SetAllowEmptyString(true);
  Splitter.SetCaseSensitive(false);
  Splitter.SetDoubleQuoteMode(false);
  Splitter.SetBaseString(Text);
  Splitter.BreakApart();
}

void TVKRRegistryEnhanced::ImportListViewInfo(const std::wstring& ASubKey, const std::wstring& AValue,
                                              bool DeleteSubKey) {
  if (FKey.empty() || !KeyExists(ASubKey)) return;
  const std::wstring Old =
      GetValueDefault(NormalizeKeyPath(ASubKey) + L"\\Columns\\Sizes", Variant(std::wstring())).ToString();
  if (DeleteSubKey) DeleteKey(ASubKey);
  SplitRecord(FBrkApart, Old, L",");
  FBrkApart.SetBreakString(L", ");
  FBrkApart.ReverseBreakApart();
  SetValue(AValue, Variant(FBrkApart.BaseString()));
}

void TVKRRegistryEnhanced::ImportFormInfo(const std::wstring& ASubKey, const std::wstring& AValue,
                                          bool DeleteSubKey) {
  if (FKey.empty() || !KeyExists(ASubKey)) return;
  const std::wstring S = NormalizeKeyPath(ASubKey);
  std::wstring Text;
  for (const wchar_t* Field : {L"Height", L"Left", L"Top", L"Width"})
    Text += OldFieldText(GetValueDefault(S + L"\\" + Field, Variant(L"0"))) + L", ";
  Text += OldStateMaximized(GetValueDefault(S + L"\\WindowState", Variant(L"1"))) ? L"wsMaximized" : L"wsNormal";
  if (DeleteSubKey) DeleteKey(ASubKey);
  SetValue(AValue, Variant(Text));
}

