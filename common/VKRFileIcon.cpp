#include "common/VKRFileIcon.h"

#include "common/VKRFileIconDialog.h"
#include "framework/Application.h"
#include "framework/Text.h"

#include <shellapi.h>

UniqueIcon ExtractFileIcon(HINSTANCE Instance, const std::wstring& FileName, int32_t Index) {
  if (Index < 0) return {};
  const HICON Icon = ExtractIconW(Instance, FileName.c_str(), static_cast<UINT>(Index));
  // 1 means "not a file with icons"; it is no icon handle and must not be destroyed.
  if (reinterpret_cast<UINT_PTR>(Icon) <= 1) return {};
  return UniqueIcon(Icon);
}

int32_t FileIconCount(HINSTANCE Instance, const std::wstring& FileName) {
  const auto Count = reinterpret_cast<UINT_PTR>(ExtractIconW(Instance, FileName.c_str(), static_cast<UINT>(-1)));
  return Count > 0x7FFFFFFF ? 0 : static_cast<int32_t>(Count);
}

void TVKRFileIcon::SetIcon(HICON Value) {
  if (Value == FIcon.get()) return;
  FIcon.reset(Value != nullptr ? CopyIcon(Value) : nullptr);
}

void TVKRFileIcon::Assign(const TVKRFileIcon& Source) {
  if (&Source == this) return;
  FIconFileName = Source.FIconFileName;
  FIconIndex = Source.FIconIndex;
}

TModalResult TVKRFileIcon::ShowDialogBox(TLangType ALangType) {
  TVKRFileIconDlg Dialog;
  Dialog.FileIcon().SetIconFileName(FIconFileName);
  Dialog.FileIcon().SetIconIndex(FIconIndex);
  Dialog.SetLangType(ALangType);
  // An icon on the web cannot be browsed for on the disk.
  Dialog.IconFileNameButtonedEditRightButton.SetEnabled(LowerCaseAZ(FIconFileName).find(L"http://") ==
                                                        std::wstring::npos);
  if (Dialog.ShowModal() != mrOk) return mrCancel;
  FIconFileName = Dialog.FileIcon().IconFileName();
  FIconIndex = Dialog.FileIcon().IconIndex();
  FIcon = ExtractFileIcon(nullptr, FIconFileName, FIconIndex);
  return mrOk;
}
