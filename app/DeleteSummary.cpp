#include "app/DeleteSummary.h"

#include "framework/FileSystem.h"
#include "framework/FormatSettings.h"
#include "search/FileDetails.h"
#include "search/FolderSize.h"

#include <windows.h>

#include <iterator>
#include <unordered_set>

namespace {

std::wstring Upper(std::wstring Text) {
  if (!Text.empty()) CharUpperBuffW(Text.data(), static_cast<DWORD>(Text.size()));
  return Text;
}

// The name of the subfolder of Folder that holds Path; empty when Path lies
// directly in Folder (or not below it).
std::wstring FirstFolderBelow(const std::wstring& Path, const std::wstring& Folder) {
  const size_t Begin = Folder.size() + (Folder.empty() || Folder.back() != L'\\' ? 1 : 0);
  if (Path.size() <= Begin) return {};
  const size_t End = Path.find(L'\\', Begin);
  return End == std::wstring::npos ? std::wstring() : Path.substr(Begin, End - Begin);
}

std::wstring Counted(int64_t Count, const wchar_t* One, const wchar_t* Many) {
  return std::to_wstring(Count) + L" " + (Count == 1 ? One : Many);
}

}  // namespace

std::wstring ByteSizeText(int64_t Bytes) {
  if (Bytes < 1024) return Counted(Bytes < 0 ? 0 : Bytes, L"byte", L"bytes");
  static const wchar_t* const Units[] = {L"KB", L"MB", L"GB", L"TB", L"PB"};
  // Tenths of the unit, rounded half up.
  int Unit = 0;
  long double Value = static_cast<long double>(Bytes) / 1024;
  while (Value >= 1024 && Unit + 1 < static_cast<int>(std::size(Units))) {
    Value /= 1024;
    ++Unit;
  }
  const auto Tenths = static_cast<long long>(Value * 10 + 0.5L);
  return std::to_wstring(Tenths / 10) + FormatSettings().DecimalSeparator + std::to_wstring(Tenths % 10) + L" " +
         Units[Unit];
}

TDeletePlan PlanDelete(const std::wstring& Folder, const std::vector<std::wstring>& Files,
                       const TListedFileDetails& Details, const std::vector<std::wstring>& Subfolders) {
  TDeletePlan Plan;
  Plan.Files = static_cast<int64_t>(Files.size());
  Plan.Subfolders = static_cast<int64_t>(Subfolders.size());
  const std::wstring Top = ExcludeTrailingPathDelimiter(Folder);
  std::unordered_set<std::wstring> Trees;
  for (const std::wstring& Subfolder : Subfolders) Trees.insert(Upper(ExtractFileName(Subfolder)));
  for (const std::wstring& File : Files) {
    const std::wstring Holder = FirstFolderBelow(File, Top);
    const bool InTree = !Holder.empty() && Trees.count(Upper(Holder)) != 0;
    int64_t Size = 0;
    uint64_t LastWrite = 0;
    if (!InTree && Details.Find(File, Size, LastWrite)) Plan.Bytes += Size;
  }
  for (const std::wstring& Subfolder : Subfolders) {
    const int64_t Size = FolderTreeSize(Subfolder);
    if (Size > 0) Plan.Bytes += Size;
  }
  return Plan;
}

std::wstring DeletePlanText(const TDeletePlan& Plan, TDeleteMode Mode) {
  std::wstring Text = Counted(Plan.Files, L"file", L"files");
  if (Plan.Subfolders > 0) Text += L" and " + Counted(Plan.Subfolders, L"subfolder", L"subfolders");
  Text += L", " + ByteSizeText(Plan.Bytes);
  Text += Mode == TDeleteMode::dmRecycleBin ? L", to the Recycle Bin." : L", deleted permanently.";
  return Text;
}

std::wstring DeletedText(int64_t Bytes, int64_t RecycledBytes) {
  return L"deleted: " + ByteSizeText(Bytes) + L" (" + ByteSizeText(RecycledBytes) + L" in the Recycle Bin)";
}
