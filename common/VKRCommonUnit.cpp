#include "common/VKRCommonUnit.h"

#include "framework/FormatSettings.h"
#include "framework/ShellExecute.h"

namespace {

constexpr int64_t KKiloByte = 1024;
constexpr int64_t KMegaByte = 1024 * KKiloByte;
constexpr int64_t KGigaByte = 1024 * KMegaByte;

std::wstring Grouped(int64_t Value, const wchar_t* Suffix) {
  return FormatGrouped(Value, FormatSettings().ThousandSeparator) + Suffix;
}

// A fixed unit: nothing is 0, any other amount below one unit counts as one.
std::wstring InUnit(int64_t Value, int64_t Unit, const wchar_t* Suffix) {
  if (Value == 0) return std::wstring(L"0") + Suffix;
  if (Value < Unit) return std::wstring(L"1") + Suffix;
  return Grouped(Value / Unit, Suffix);
}

}  // namespace

std::wstring FormatFileSize(int64_t Value, TSizeUnit SizeUnit) {
  switch (SizeUnit) {
    case TSizeUnit::fsAuto:
      if (Value > KGigaByte) return Grouped(Value / KGigaByte, L" GB");
      if (Value > KMegaByte) return Grouped(Value / KMegaByte, L" MB");
      if (Value > KKiloByte) return Grouped(Value / KKiloByte, L" KB");
      return Grouped(Value, L" B");
    case TSizeUnit::fsBytes: return Grouped(Value, L" B");
    case TSizeUnit::fsKiloBytes: return InUnit(Value, KKiloByte, L" KB");
    case TSizeUnit::fsMegaBytes: return InUnit(Value, KMegaByte, L" MB");
    case TSizeUnit::fsGigaBytes: return InUnit(Value, KGigaByte, L" GB");
  }
  return {};
}

bool ExecuteShellCommand(HWND WindowHandle, const std::wstring& Operation, const std::wstring& FileName,
                         const std::wstring& Parameters, const std::wstring& Directory, int ShowCommand) {
  TShellExecuteRequest Request;
  Request.WindowHandle = WindowHandle;
  Request.Operation = Operation.c_str();
  Request.FileName = FileName.c_str();
  Request.Parameters = Parameters.c_str();
  Request.Directory = Directory.c_str();
  Request.ShowCommand = ShowCommand;
  // Error codes are the small values; anything above 32 is an instance handle.
  return reinterpret_cast<UINT_PTR>(RunShellExecute(Request)) > 32;
}

void SetUpDownEnabled(TUpDown& UpDown, bool Enabled) {
  UpDown.SetEnabled(Enabled);
  if (const HWND Associate = UpDown.Associate(); Associate != nullptr) EnableWindow(Associate, Enabled ? TRUE : FALSE);
}

void SetCheckListBoxState(TCheckListBox& CheckListBox, TCheckBoxState State, int Index) {
  const int Count = CheckListBox.Count();
  if (Index >= 0 && Index < Count) {
    CheckListBox.SetState(Index, State);
    return;
  }
  for (int i = 0; i < Count; ++i) CheckListBox.SetState(i, State);
}
