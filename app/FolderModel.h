#pragma once
// The folder list as data: what each listed folder is known to hold, and the
// totals, which add up exactly what the rows show. The list view only shows
// it; nothing is ever read back from the list's texts.

#include <cstdint>
#include <string>
#include <unordered_map>

// The kilobytes a row shows for a folder tree of Bytes, and its text: one
// rule for rows and totals. Nothing is 0, any amount below a kilobyte is 1,
// an unknown size (-1) is 0.
int64_t FolderSizeKB(int64_t Bytes);
std::wstring FolderSizeText(int64_t KiloBytes);

// The figures of one folder tree as its row shows them, or of several added
// up. 64 bits: a list past 2 TiB is no reason to show a negative size.
struct TFolderFigures {
  int64_t Subfolders = 0;
  int64_t Files = 0;
  int64_t SizeKB = 0;  // FolderSizeKB of the tree's bytes, so that a total is the sum of the rows' sizes

  static TFolderFigures Measured(int64_t Subfolders, int64_t Files, int64_t Bytes) {
    return {Subfolders, Files, FolderSizeKB(Bytes)};
  }
  TFolderFigures& operator+=(const TFolderFigures& Other) {
    Subfolders += Other.Subfolders;
    Files += Other.Files;
    SizeKB += Other.SizeKB;
    return *this;
  }
  TFolderFigures& operator-=(const TFolderFigures& Other) {
    Subfolders -= Other.Subfolders;
    Files -= Other.Files;
    SizeKB -= Other.SizeKB;
    return *this;
  }
  friend TFolderFigures operator+(TFolderFigures A, const TFolderFigures& B) { return A += B; }
  friend TFolderFigures operator-(TFolderFigures A, const TFolderFigures& B) { return A -= B; }
  bool operator==(const TFolderFigures&) const = default;
};

enum class TFolderState : uint8_t {
  fsNotScanned,  // listed, not measured since
  fsScanned,     // measured by the last Scan or Delete that reached it
  fsNotFound,    // a full path of a folder that is not there now (a drive not yet connected)
  fsProtected,   // Delete refused it; what a scan measured before still stands
  fsInvalid,     // no full path: never searched, never emptied
};

struct TFolderRow {
  TFolderState State = TFolderState::fsNotScanned;
  bool HasFigures = false;  // Figures were measured and still stand
  TFolderFigures Figures;

  // What the row adds to the totals: its figures when it shows them, else nothing.
  TFolderFigures Counted() const { return HasFigures ? Figures : TFolderFigures{}; }
  // Shown grey: a folder that is not there, or one that holds nothing.
  bool Grey() const {
    return State == TFolderState::fsNotFound || State == TFolderState::fsInvalid || (HasFigures && Figures.SizeKB == 0);
  }
};

// The texts of a row's figure columns: subfolders, files, size.
struct TFolderRowTexts {
  std::wstring Subfolders;
  std::wstring Files;
  std::wstring Size;
  bool operator==(const TFolderRowTexts&) const = default;
};
TFolderRowTexts RowTexts(const TFolderRow& Row);

// What makes two folder paths the same folder: the full path without
// trailing separators, compared with A-Z case ignored. An entry that is not
// a full path is only ever the same as itself: resolving it would take it
// from wherever the program stands.
std::wstring FolderKey(const std::wstring& Folder);

// The rows by folder (FolderKey): the list shows them in its own order.
class TFolderModel {
public:
  // The row of Folder, made not scanned when it had none.
  TFolderRow& Row(const std::wstring& Folder) { return FRows[FolderKey(Folder)]; }
  // The row of Folder as it stands; a folder without one is not scanned.
  TFolderRow Find(const std::wstring& Folder) const;

  // Measured: the figures stand and the row is scanned.
  void SetMeasured(const std::wstring& Folder, const TFolderFigures& Figures);
  // Listed again, or back after a while: nothing known of it.
  void SetNotScanned(const std::wstring& Folder);
  // Not there now (or no full path): no figures, and none counted.
  void SetMissing(const std::wstring& Folder);
  // Refused by Delete: whatever it showed stays.
  void SetProtected(const std::wstring& Folder);
  void Forget(const std::wstring& Folder) { FRows.erase(FolderKey(Folder)); }

private:
  std::unordered_map<std::wstring, TFolderRow> FRows;
};
