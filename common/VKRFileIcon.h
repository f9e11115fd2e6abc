#pragma once
// An icon location: the file that holds the icon, its index there, and the
// icon itself once the user has picked one in the "Change Icon" dialog.

#include "common/VKRLangType.h"
#include "framework/Controls.h"
#include "framework/Handle.h"
#include "framework/Object.h"

#include <cstdint>
#include <string>

class TVKRFileIcon : public TObject {
public:
  TVKRFileIcon() = default;

  // The owned icon; null until a dialog succeeded or an icon was assigned.
  HICON Icon() const { return FIcon.get(); }
  // Keeps a copy of Value's image (nothing happens when it is the icon held).
  void SetIcon(HICON Value);

  const std::wstring& IconFileName() const { return FIconFileName; }
  void SetIconFileName(const std::wstring& Value) { FIconFileName = Value; }
  int32_t IconIndex() const { return FIconIndex; }
  void SetIconIndex(int32_t Value) { FIconIndex = Value; }

  // Copies the file name and the index, not the icon.
  void Assign(const TVKRFileIcon& Source);

  // Lets the user pick another icon; on OK the location and the icon change.
  TModalResult ShowDialogBox(TLangType ALangType);

private:
  UniqueIcon FIcon;
  std::wstring FIconFileName;
  int32_t FIconIndex = 0;
};

// Icon Index of FileName, or null when the file has no such icon. Instance:
// the module asking, or null.
UniqueIcon ExtractFileIcon(HINSTANCE Instance, const std::wstring& FileName, int32_t Index);
// The number of icons in FileName; 0 for a file without any or one that cannot be read.
int32_t FileIconCount(HINSTANCE Instance, const std::wstring& FileName);
