#include "app/FolderModel.h"

#include "common/VKRCommonUnit.h"
#include "framework/FileSystem.h"
#include "framework/Text.h"

int64_t FolderSizeKB(int64_t Bytes) {
  if (Bytes <= 0) return 0;
  return Bytes < 1024 ? 1 : Bytes / 1024;
}

std::wstring FolderSizeText(int64_t KiloBytes) { return FormatFileSize(KiloBytes * 1024, TSizeUnit::fsKiloBytes); }

TFolderRowTexts RowTexts(const TFolderRow& Row) {
  if (!Row.HasFigures) return {L"?", L"?", L"? KB"};
  return {std::to_wstring(Row.Figures.Subfolders), std::to_wstring(Row.Figures.Files),
          FolderSizeText(Row.Figures.SizeKB)};
}

std::wstring FolderKey(const std::wstring& Folder) {
  std::wstring Key = IsFullPath(Folder) ? FullPathName(Folder) : Folder;
  while (!Key.empty() && Key.back() == L'\\') Key.pop_back();
  return LowerCaseAZ(Key);
}

TFolderRow TFolderModel::Find(const std::wstring& Folder) const {
  const auto Found = FRows.find(FolderKey(Folder));
  return Found != FRows.end() ? Found->second : TFolderRow{};
}

void TFolderModel::SetMeasured(const std::wstring& Folder, const TFolderFigures& Figures) {
  TFolderRow& Entry = Row(Folder);
  Entry.State = TFolderState::fsScanned;
  Entry.HasFigures = true;
  Entry.Figures = Figures;
}

void TFolderModel::SetNotScanned(const std::wstring& Folder) { Row(Folder) = TFolderRow{}; }

void TFolderModel::SetMissing(const std::wstring& Folder) {
  TFolderRow& Entry = Row(Folder);
  Entry = TFolderRow{};
  Entry.State = IsFullPath(Folder) ? TFolderState::fsNotFound : TFolderState::fsInvalid;
}

void TFolderModel::SetProtected(const std::wstring& Folder) {
  TFolderRow& Entry = Row(Folder);
  // A folder that is not there, or no folder at all, stays shown as such.
  if (Entry.State != TFolderState::fsNotFound && Entry.State != TFolderState::fsInvalid)
    Entry.State = TFolderState::fsProtected;
}
