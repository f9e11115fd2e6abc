#include "search/FileDetails.h"

#include "framework/FileSystem.h"
#include "search/FileAge.h"

#include <cwchar>

namespace {

int64_t FileSize64(DWORD High, DWORD Low) { return static_cast<int64_t>((static_cast<uint64_t>(High) << 32) | Low); }

// FNV-1a over the text's units; continued from State, so that a folder's
// part is hashed once for all its files.
constexpr uint64_t HashStart = 14695981039346656037ull;
uint64_t HashOn(uint64_t State, std::wstring_view Text) {
  for (const wchar_t Unit : Text) {
    State ^= static_cast<uint64_t>(Unit);
    State *= 1099511628211ull;
  }
  return State;
}

}  // namespace

void TListedFileDetails::Entry(const std::wstring& Folder, const WIN32_FIND_DATAW& Data) {
  if ((Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
  // A listing hands over its entries in a row: the folder is the last one.
  const bool Separated = !Folder.empty() && Folder.back() == L'\\';
  const size_t PrefixLength = Folder.size() + (Separated ? 0 : 1);
  if (FFolders.empty() || FFolders.back().size() != PrefixLength ||
      FFolders.back().compare(0, Folder.size(), Folder) != 0) {
    FFolders.push_back(Separated ? Folder : Folder + L'\\');
    FFolderHash = HashOn(HashStart, FFolders.back());
  }
  const std::wstring_view Name(Data.cFileName, wcsnlen(Data.cFileName, MAX_PATH));
  TDetails Details{HashOn(FFolderHash, Name),
                   static_cast<uint32_t>(FFolders.size() - 1),
                   static_cast<uint32_t>(FNames.size()),
                   static_cast<uint32_t>(Name.size()),
                   FileSize64(Data.nFileSizeHigh, Data.nFileSizeLow),
                   FileTimeValue(Data.ftLastWriteTime)};
  // A folder listed again: its later listing tells.
  const std::wstring& Prefix = FFolders.back();
  if (const TDetails* Known = Lookup(Details.Hash, [&](const TDetails& Other) {
        return Other.NameLength == Name.size() && FFolders[Other.Folder] == Prefix &&
               std::wstring_view(FNames).substr(Other.NameAt, Other.NameLength) == Name;
      })) {
    TDetails& Kept = FFiles[static_cast<size_t>(Known - FFiles.data())];
    Kept.Size = Details.Size;
    Kept.LastWrite = Details.LastWrite;
    return;
  }
  FNames.append(Name);
  if ((FFiles.size() + 1) * 2 > FSlots.size()) Grow();
  FFiles.push_back(Details);
  for (size_t Slot = Details.Hash & (FSlots.size() - 1);; Slot = (Slot + 1) & (FSlots.size() - 1)) {
    if (FSlots[Slot] == 0) {
      FSlots[Slot] = static_cast<uint32_t>(FFiles.size());
      break;
    }
  }
}

void TListedFileDetails::Grow() {
  FSlots.assign(FSlots.empty() ? 1024 : FSlots.size() * 2, 0);
  const size_t Mask = FSlots.size() - 1;
  for (uint32_t i = 0; i < FFiles.size(); ++i) {
    size_t Slot = FFiles[i].Hash & Mask;
    while (FSlots[Slot] != 0) Slot = (Slot + 1) & Mask;
    FSlots[Slot] = i + 1;
  }
}

bool TListedFileDetails::IsPathOf(const TDetails& Details, std::wstring_view File) const {
  const std::wstring& Folder = FFolders[Details.Folder];
  return File.size() == Folder.size() + Details.NameLength && File.substr(0, Folder.size()) == Folder &&
         File.substr(Folder.size()) == std::wstring_view(FNames).substr(Details.NameAt, Details.NameLength);
}

bool TListedFileDetails::Find(const std::wstring& File, int64_t& Size, uint64_t& LastWrite) const {
  // A search of one pattern finds files in the order they were listed: the
  // entry after the last one found is the likely one.
  const TDetails* Found = nullptr;
  if (FNext < FFiles.size() && IsPathOf(FFiles[FNext], File))
    Found = &FFiles[FNext];
  else
    Found = Lookup(HashOn(HashStart, File), [&](const TDetails& Details) { return IsPathOf(Details, File); });
  if (Found != nullptr) {
    FNext = static_cast<size_t>(Found - FFiles.data()) + 1;
    Size = Found->Size;
    LastWrite = Found->LastWrite;
    return true;
  }
  WIN32_FILE_ATTRIBUTE_DATA Data{};
  if (!GetFileAttributesExW(LongPathForm(File).c_str(), GetFileExInfoStandard, &Data)) return false;
  Size = FileSize64(Data.nFileSizeHigh, Data.nFileSizeLow);
  LastWrite = FileTimeValue(Data.ftLastWriteTime);
  return true;
}
