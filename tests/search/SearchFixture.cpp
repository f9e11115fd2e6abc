#include "SearchFixture.h"

#include <doctest.h>

#include "common/VKRBreakApart.h"
#include "framework/Application.h"
#include "framework/Handle.h"
#include "framework/FileSystem.h"

#include <winioctl.h>

#include <chrono>
#include <cstring>
#include <set>

namespace {

constexpr DWORD FilteredAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

bool PassesWord(DWORD Attributes, uint16_t Word) {
  return (Attributes & FilteredAttributes & ~static_cast<DWORD>(Word)) == 0;
}


std::wstring Environment(const wchar_t* Name) {
  wchar_t Value[1024];
  const DWORD Length = GetEnvironmentVariableW(Name, Value, 1024);
  return Length == 0 || Length >= 1024 ? std::wstring() : std::wstring(Value, Length);
}

class TReference {
public:
  TReference(bool Recursive, uint16_t FileWord, uint16_t DirWord, TSearchOutcome& Out)
      : FRecursive(Recursive), FFileWord(FileWord), FDirWord(DirWord), FOut(Out) {}

  void SearchDirectory(const std::wstring& Pattern) {
    std::wstring Path = CurrentDirectory();
    FOut.Visits.push_back(Path);
    if (Path.back() != L'\\') Path += L'\\';
    WIN32_FIND_DATAW Data;
    HANDLE Find = FindFirstFileW(Pattern.c_str(), &Data);
    if (Find != INVALID_HANDLE_VALUE) {
      do {
        if (PassesWord(Data.dwFileAttributes, FFileWord) && !IsDotName(Data.cFileName)) {
          FOut.Files.push_back(Path + Data.cFileName);
          FOut.HitsCounts.push_back(L"0");
        }
      } while (FindNextFileW(Find, &Data));
      FindClose(Find);
    }
    if (!FRecursive) return;
    Find = FindFirstFileW(L"*.*", &Data);
    if (Find == INVALID_HANDLE_VALUE) return;
    do {
      if ((Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
          PassesWord(Data.dwFileAttributes, static_cast<uint16_t>(FDirWord | FILE_ATTRIBUTE_DIRECTORY)) &&
          !IsDotName(Data.cFileName) && SetCurrentDirectoryW(Data.cFileName)) {
        SearchDirectory(Pattern);
        SetCurrentDirectoryW(L"..");
      }
    } while (FindNextFileW(Find, &Data));
    FindClose(Find);
  }

private:
  bool FRecursive;
  uint16_t FFileWord, FDirWord;
  TSearchOutcome& FOut;
};

bool MakeJunction(const std::wstring& Link, const std::wstring& Target) {
  if (!CreateDirectoryW(Link.c_str(), nullptr)) return false;
  bool Made = false;
  {
    UniqueFile Handle(CreateFileW(Link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (Handle) {
      // A mount-point reparse buffer: header, then the substitute and the
      // print name, each with its terminator.
      const std::wstring Substitute = L"\\??\\" + Target;
      const size_t SubstituteBytes = Substitute.size() * sizeof(wchar_t);
      const size_t PrintBytes = Target.size() * sizeof(wchar_t);
      std::vector<uint8_t> Buffer(16 + SubstituteBytes + 2 + PrintBytes + 2, 0);
      const auto Put16 = [&](size_t At, size_t Value) {
        const uint16_t Word = static_cast<uint16_t>(Value);
        std::memcpy(&Buffer[At], &Word, sizeof(Word));
      };
      const uint32_t Tag = IO_REPARSE_TAG_MOUNT_POINT;
      std::memcpy(&Buffer[0], &Tag, sizeof(Tag));
      Put16(4, Buffer.size() - 8);
      Put16(8, 0);
      Put16(10, SubstituteBytes);
      Put16(12, SubstituteBytes + 2);
      Put16(14, PrintBytes);
      std::memcpy(&Buffer[16], Substitute.c_str(), SubstituteBytes);
      std::memcpy(&Buffer[16 + SubstituteBytes + 2], Target.c_str(), PrintBytes);
      DWORD Returned = 0;
      Made = DeviceIoControl(Handle.get(), FSCTL_SET_REPARSE_POINT, Buffer.data(), static_cast<DWORD>(Buffer.size()),
                             nullptr, 0, &Returned, nullptr) != FALSE;
    }
  }
  const DWORD Attributes = GetFileAttributesW(Link.c_str());
  Made = Made && Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (!Made) RemoveDirectoryW(Link.c_str());
  return Made;
}

void EmptyFolder(const std::wstring& Root) {
  WIN32_FIND_DATAW Data;
  UniqueFind Find(FindFirstFileW((Root + L"*").c_str(), &Data));
  if (!Find) return;
  do {
    if (IsDotName(Data.cFileName)) continue;
    const std::wstring Child = Root + Data.cFileName;
    if ((Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      RemoveTree(Child);
    } else {
      SetFileAttributesW(Child.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(Child.c_str());
    }
  } while (FindNextFileW(Find.get(), &Data));
}

}  // namespace

TCurrentDirectoryGuard::TCurrentDirectoryGuard() : FSaved(CurrentDirectory()) {}
TCurrentDirectoryGuard::~TCurrentDirectoryGuard() { SetCurrentDirectoryW(FSaved.c_str()); }

TAttributeTree::TAttributeTree() {
  for (const wchar_t* Name : {L"a.tmp", L"b.log", L"c.txt", L"README", L"sub1\\d.tmp", L"sub1\\e.log",
                              L"sub1\\deep\\f.tmp", L"sub1\\deep\\deeper\\g.log", L"hiddendir\\h.tmp",
                              L"systemdir\\i.tmp", L"systemdir\\inner\\j.log", L"hsdir\\k.tmp",
                              L"readonlydir\\l.tmp", L"sp ace\\m.tmp", L"x.tmp.dir\\n.log"})
    Dir.MakeFile(Name, std::string("content"));
  Dir.MakeDir(L"empty");
  Dir.MakeFile(L"hidden.tmp", 1, FILE_ATTRIBUTE_HIDDEN);
  Dir.MakeFile(L"system.tmp", 1, FILE_ATTRIBUTE_SYSTEM);
  Dir.MakeFile(L"hs.tmp", 1, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  Dir.MakeFile(L"readonly.log", 1, FILE_ATTRIBUTE_READONLY);
  Dir.MakeFile(L"archive.txt", 1, FILE_ATTRIBUTE_ARCHIVE);
  Dir.MakeDir(L"hiddendir", FILE_ATTRIBUTE_HIDDEN);
  Dir.MakeDir(L"systemdir", FILE_ATTRIBUTE_SYSTEM);
  Dir.MakeDir(L"hsdir", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  Dir.MakeDir(L"readonlydir", FILE_ATTRIBUTE_READONLY);
}

TAttributeTree::~TAttributeTree() = default;

TSearchOutcome ReferenceSearch(const std::vector<std::wstring>& StartDirs, const std::vector<std::wstring>& Patterns,
                               bool Recursive, TFileTypes FileType, TFileTypes DirType) {
  TSearchOutcome Out;
  TReference Reference(Recursive, WordOf(FileType), WordOf(DirType), Out);
  for (const std::wstring& Start : StartDirs) {
    if (!SetCurrentDirectoryW(Start.c_str())) continue;
    for (const std::wstring& Pattern : Patterns) Reference.SearchDirectory(Pattern);
  }
  Out.CurrentDirectoryAfter = CurrentDirectory();
  return Out;
}

TSearchOutcome RunSearch(TVKRFileFind& Find) {
  TSearchOutcome Out;
  Find.OnChangeDirectory = [&Out](TObject*, const std::wstring& Folder) { Out.Visits.push_back(Folder); };
  Find.Execute();
  Find.OnChangeDirectory = nullptr;
  Out.Files = Find.FilesFound();
  Out.HitsCounts = Find.MatchHitsCountList();
  Out.CurrentDirectoryAfter = CurrentDirectory();
  return Out;
}

void CheckSameAsCurrentDirectoryWalk(TVKRFileFind& Find, const std::wstring& From) {
  SetCurrentDirectoryW(From.c_str());
  const TSearchOutcome Expected = ReferenceSearch(TVKRBreakApart::Split(Find.StartDir(), L";"),
                                                  TVKRBreakApart::Split(Find.FilePattern(), L";"), Find.Recursive(),
                                                  Find.FileType(), Find.DirType());
  SetCurrentDirectoryW(From.c_str());
  const TSearchOutcome Got = RunSearch(Find);
  CHECK(Got.Files == Expected.Files);
  CHECK(Got.HitsCounts == Expected.HitsCounts);
  CHECK(Got.Visits == Expected.Visits);
  CHECK(Got.CurrentDirectoryAfter == Expected.CurrentDirectoryAfter);
}

std::vector<std::wstring> RelativeTo(const std::wstring& Root, const std::vector<std::wstring>& Paths) {
  std::vector<std::wstring> Result;
  const std::wstring Prefix = Root.back() == L'\\' ? Root : Root + L"\\";
  for (const std::wstring& Path : Paths)
    Result.push_back(Path.rfind(Prefix, 0) == 0 ? Path.substr(Prefix.size()) : L"<outside> " + Path);
  return Result;
}

bool PumpMessagesUntil(const std::function<bool()>& Done, int Seconds) {
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(Seconds);
  while (!Done()) {
    if (std::chrono::steady_clock::now() > Deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    Application().ProcessMessages();
  }
  return true;
}

TPrivateDrive::TPrivateDrive() {
  FBacking = std::make_unique<TTempDir>();
  for (wchar_t Letter = L'Y'; Letter >= L'M'; --Letter) {
    const std::wstring Device{Letter, L':'};
    wchar_t Target[MAX_PATH];
    if (QueryDosDeviceW(Device.c_str(), Target, MAX_PATH) != 0) continue;
    if (!DefineDosDeviceW(0, Device.c_str(), FBacking->Path().c_str())) break;
    // Wine accepts the mapping and maps nothing: see whether a file shows through.
    const std::wstring Probe = FBacking->MakeFile(L"probe.txt");
    const bool Works = GetFileAttributesW((Device + L"\\probe.txt").c_str()) != INVALID_FILE_ATTRIBUTES;
    DeleteFileW(Probe.c_str());
    if (Works) {
      FDevice = Device;
      FRoot = Device + L"\\";
      return;
    }
    DefineDosDeviceW(DDD_REMOVE_DEFINITION, Device.c_str(), nullptr);
    break;
  }
  FBacking.reset();
  const std::wstring Drive = Environment(L"MARROWBY_SEARCH_DRIVE");
  if (Drive.empty()) return;
  FRoot = Drive + L"\\";
  if (!DirectoryExists(FRoot)) {
    FRoot.clear();
    return;
  }
  EmptyFolder(FRoot);
}

TPrivateDrive::~TPrivateDrive() {
  if (FRoot.empty()) return;
  EmptyFolder(FRoot);
  if (!FDevice.empty()) DefineDosDeviceW(DDD_REMOVE_DEFINITION, FDevice.c_str(), nullptr);
}

TLinkTree::TLinkTree() {
  FOwn = std::make_unique<TTempDir>();
  const std::wstring Links = FOwn->MakeDir(L"links");
  FOwn->MakeFile(L"links\\top.txt");
  FOwn->MakeFile(L"links\\sub\\inner.txt");
  const std::wstring Elsewhere = FOwn->MakeDir(L"elsewhere");
  FOwn->MakeFile(L"elsewhere\\far.txt");
  if (MakeJunction(*FOwn / L"links\\sub\\up", Links) && MakeJunction(*FOwn / L"links\\out", Elsewhere)) {
    FLinks = Links;
    return;
  }
  FOwn.reset();
  const std::wstring Fixture = Environment(L"MARROWBY_LINK_FIXTURE");
  if (!Fixture.empty() && DirectoryExists(Fixture)) FLinks = Fixture;
}

void MakeDeepDirectory(const std::wstring& Folder) {
  for (size_t At = Folder.find(L'\\', 3);; At = Folder.find(L'\\', At + 1)) {
    const std::wstring Prefix = At == std::wstring::npos ? Folder : Folder.substr(0, At);
    CreateDirectoryW(LongPathForm(Prefix).c_str(), nullptr);
    if (At == std::wstring::npos) break;
  }
}

void MakeDeepFile(const std::wstring& File) {
  UniqueFile Handle(CreateFileW(LongPathForm(File).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD Written = 0;
  WriteFile(Handle.get(), "needle", 6, &Written, nullptr);
}

