#include "app/DeleteSummary.h"

#include "framework/FileSystem.h"
#include "framework/FormatSettings.h"
#include "search/FileDetails.h"
#include "search/FolderSize.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

namespace {

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

TDeletePlanCounter::TDeletePlanCounter(const std::vector<std::wstring>& Subfolders,
                                       const std::vector<int64_t>& TreeBytes) {
  FPlan.Subfolders = static_cast<int64_t>(Subfolders.size());
  for (size_t i = 0; i < Subfolders.size(); ++i) {
    FTrees.push_back(ExtractFileName(Subfolders[i]));
    if (i < TreeBytes.size() && TreeBytes[i] > 0) FPlan.Bytes += TreeBytes[i];
  }
}

bool TDeletePlanCounter::InTree(std::wstring_view Relative) {
  const size_t End = Relative.find(L'\\');
  if (End == std::wstring_view::npos || FTrees.empty()) return false;
  const std::wstring_view Holder = Relative.substr(0, End);
  if (Holder == FLastHolder) return FLastInTree;
  FLastHolder.assign(Holder);
  // Names compare as the file system compares them, without regard to case.
  FLastInTree = std::any_of(FTrees.begin(), FTrees.end(), [Holder](const std::wstring& Tree) {
    return CompareStringOrdinal(Tree.c_str(), static_cast<int>(Tree.size()), Holder.data(),
                                static_cast<int>(Holder.size()), TRUE) == CSTR_EQUAL;
  });
  return FLastInTree;
}

TDeletePlan PlanDelete(const std::wstring& Folder, const std::vector<std::wstring>& Files,
                       const TListedFileDetails& Details, const std::vector<std::wstring>& Subfolders) {
  std::vector<int64_t> TreeBytes;
  for (const std::wstring& Subfolder : Subfolders) TreeBytes.push_back(FolderTreeSize(Subfolder));
  TDeletePlanCounter Counter(Subfolders, TreeBytes);
  const std::wstring Top = ExcludeTrailingPathDelimiter(Folder);
  const size_t Begin = Top.size() + (Top.empty() || Top.back() != L'\\' ? 1 : 0);
  for (const std::wstring& File : Files) {
    const std::wstring_view Relative =
        File.size() > Begin ? std::wstring_view(File).substr(Begin) : std::wstring_view();
    Counter.AddFile(Relative, [&](int64_t& Size) {
      uint64_t LastWrite = 0;
      return Details.Find(File, Size, LastWrite);
    });
  }
  return Counter.Plan();
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
