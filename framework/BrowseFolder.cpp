#include "framework/BrowseFolder.h"

#include "framework/Handle.h"

#include <shlobj.h>

namespace {

TBrowseFolderHandler& CurrentHandler() {
  static TBrowseFolderHandler Handler;
  return Handler;
}

}  // namespace

bool BrowseForFolder(const TBrowseFolderRequest& Request, std::wstring& Folder) {
  if (CurrentHandler()) return CurrentHandler()(Request, Folder);

  wchar_t Display[MAX_PATH] = L"";
  BROWSEINFOW Info{};
  Info.hwndOwner = Request.Owner;
  Info.pidlRoot = nullptr;  // the desktop
  Info.pszDisplayName = Display;
  Info.lpszTitle = Request.Title.c_str();
  Info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_STATUSTEXT | BIF_NONEWFOLDERBUTTON;
  const UniqueCoTaskMem Chosen(SHBrowseForFolderW(&Info));
  if (!Chosen) return false;
  // Paths of any length: the buffer grows until the shell's answer fits.
  std::wstring Path(MAX_PATH, L'\0');
  for (;;) {
    if (SHGetPathFromIDListEx(static_cast<PCIDLIST_ABSOLUTE>(Chosen.get()), Path.data(),
                              static_cast<DWORD>(Path.size()), GPFIDL_DEFAULT)) {
      Path.resize(wcslen(Path.c_str()));
      Folder = Path;
      return !Folder.empty();
    }
    if (Path.size() >= 32768) return false;
    Path.resize(Path.size() * 2);
  }
}

TBrowseFolderHook::TBrowseFolderHook(TBrowseFolderHandler Handler) : FPrevious(std::move(CurrentHandler())) {
  CurrentHandler() = std::move(Handler);
}

TBrowseFolderHook::~TBrowseFolderHook() { CurrentHandler() = std::move(FPrevious); }
