#include <doctest.h>

#include "app/CommandLine.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "search/FolderSize.h"
#include "support/RegistryFixture.h"
#include "support/TestStrings.h"
#include "FileBytes.h"
#include "FindFoldersFixture.h"
#include "Links.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

struct TChildRun {
  DWORD ExitCode = 0;
  std::string Out;
  std::string Err;
};

std::string ReadToEnd(HANDLE Pipe) {
  std::string Text;
  char Buffer[4096];
  DWORD Read = 0;
  while (ReadFile(Pipe, Buffer, sizeof(Buffer), &Read, nullptr) && Read > 0) Text.append(Buffer, Read);
  return Text;
}

// A profile with a few of the catalogue's folders made and filled, some
// absent, one a link; and the program's command line run on it.
struct TFindRunFixture {
  TFindFoldersProfile Profile;
  TRegistryFixture Registry;
  const std::wstring Local = L"Users\\me\\AppData\\Local\\";
  bool Linked = false;

  TFindRunFixture() {
    Profile.Dir.MakeFile(Local + L"Temp\\a.tmp", 10);
    Profile.Dir.MakeFile(Local + L"Temp\\sub\\b.tmp", 20);
    Profile.Dir.MakeDir(L"Windows\\Temp");
    Profile.Dir.MakeFile(Local + L"CrashDumps\\x.dmp", 1000);
    Profile.Dir.MakeFile(Local + L"CrashDumps\\y.dmp", 2000);
    Profile.Dir.MakeFile(L"ProgramData\\Microsoft\\Windows\\WER\\ReportQueue\\r1\\Report.wer", 300);
    Profile.Dir.MakeFile(Local + L"Google\\Chrome\\User Data\\Default\\Cache\\Cache_Data\\f_0001", 5000);
    // The profile's own data beside its cache is never offered.
    Profile.Dir.MakeFile(Local + L"Google\\Chrome\\User Data\\Default\\Preferences", 50);
    Profile.Dir.MakeFile(Local + L"Mozilla\\Firefox\\Profiles\\abc.default\\cache2\\entries\\e1", 700,
                         FILE_ATTRIBUTE_HIDDEN);
    Profile.Dir.MakeFile(Local + L"Target\\shader", 4000);
    Linked = MakeLink(Profile.Dir / (Local + L"D3DSCache"), L"Target", true);
  }
  ~TFindRunFixture() { RemoveLink(Profile.Dir / (Local + L"D3DSCache")); }

  TChildRun Run(const std::wstring& Arguments) const {
    const std::wstring Child = ExtractFilePath(ApplicationExeName()) + L"test_find_child.exe";
    REQUIRE(FileExists(Child));
    SECURITY_ATTRIBUTES Inherit{sizeof(Inherit), nullptr, TRUE};
    HANDLE OutRead = nullptr, OutWrite = nullptr, ErrRead = nullptr, ErrWrite = nullptr;
    REQUIRE(CreatePipe(&OutRead, &OutWrite, &Inherit, 0));
    REQUIRE(CreatePipe(&ErrRead, &ErrWrite, &Inherit, 0));
    UniqueKernelObject OutReader(OutRead), ErrReader(ErrRead);
    SetHandleInformation(OutRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(ErrRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW Startup{};
    Startup.cb = sizeof(Startup);
    Startup.dwFlags = STARTF_USESTDHANDLES;
    Startup.hStdOutput = OutWrite;
    Startup.hStdError = ErrWrite;
    std::wstring CommandLine =
        L"\"" + Child + L"\" \"" + Registry.KeyPath() + L"\" \"" + Profile.Dir.Path() + L"\" " + Arguments;
    PROCESS_INFORMATION Info{};
    const BOOL Started = CreateProcessW(Child.c_str(), CommandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &Startup, &Info);
    // Only the child holds the writing ends now: reading ends when it does.
    CloseHandle(OutWrite);
    CloseHandle(ErrWrite);
    REQUIRE(Started);
    CloseHandle(Info.hThread);
    UniqueKernelObject Process(Info.hProcess);
    TChildRun Result;
    Result.Out = ReadToEnd(OutRead);
    Result.Err = ReadToEnd(ErrRead);
    WaitForSingleObject(Process.get(), INFINITE);
    GetExitCodeProcess(Process.get(), &Result.ExitCode);
    return Result;
  }

  // The lines of /find with the profile's root taken out of the paths.
  std::vector<std::wstring> Rows(const std::string& Output) const {
    std::vector<std::wstring> Result;
    const std::wstring Text = Utf8ToWide(Output);
    const std::wstring Root = Profile.Dir.Path() + L"\\";
    for (size_t Begin = 0; Begin < Text.size();) {
      size_t End = Text.find(L"\r\n", Begin);
      if (End == std::wstring::npos) End = Text.size();
      std::wstring Line = Text.substr(Begin, End - Begin);
      if (Line.rfind(Root, 0) == 0) Line = Line.substr(Root.size());
      Result.push_back(Line);
      Begin = End + 2;
    }
    return Result;
  }
};

}  // namespace

TEST_CASE("/find prints the folders found, with the sizes Scan measures, as tab-separated lines") {
  TFindRunFixture F;
  REQUIRE(F.Linked);
  const std::wstring L = F.Local;
  const std::vector<std::wstring> Expected{
      L"Location\tBytes\tName\tNot offered because",
      L + L"Temp\t30\tTemporary files\t",
      L"Windows\\Temp\t0\tWindows temporary files\t",
      L + L"CrashDumps\t3000\tCrash dumps\t",
      L"ProgramData\\Microsoft\\Windows\\WER\\ReportQueue\t300\tError reports waiting to be sent (all users)\t",
      L + L"D3DSCache\t-\tDirectX shader cache\ta link or junction: what it leads to is not offered",
      L + L"Google\\Chrome\\User Data\\Default\\Cache\t5000\tChrome cache\t",
      L + L"Mozilla\\Firefox\\Profiles\\abc.default\\cache2\t700\tFirefox cache\t",
  };
  // The sizes are the sizes a Scan of the folder shows.
  CHECK(FolderTreeSize(F.Profile.Dir / (L + L"CrashDumps")) == 3000);
  CHECK(FolderTreeSize(F.Profile.Dir / (L + L"Mozilla\\Firefox\\Profiles\\abc.default\\cache2")) == 700);

  const std::wstring File = F.Profile.Dir / L"found.txt";
  const struct {
    std::wstring Arguments;
    bool ToFile;
  } Cases[] = {
      {L"/find", false},
      {L"-FIND", false},
      {L"/find \"" + File + L"\"", true},
  };
  for (const auto& Case : Cases) {
    CAPTURE(Case.Arguments);
    DeleteFileW(File.c_str());
    const TChildRun Run = F.Run(Case.Arguments);
    CHECK(Run.ExitCode == 0);
    CHECK(Run.Err.empty());
    CHECK(F.Rows(Case.ToFile ? ReadFileBytes(File) : Run.Out) == Expected);
    if (Case.ToFile) CHECK(Run.Out.empty());
  }
  // Nothing found was deleted, nor what the link leads to.
  CHECK(FileExists(F.Profile.Dir / (L + L"CrashDumps\\x.dmp")));
  CHECK(FileExists(F.Profile.Dir / (L + L"Target\\shader")));
}

TEST_CASE("/find with a file that is not a full path writes nothing and says why") {
  TFindRunFixture F;
  const TChildRun Run = F.Run(L"/find found.txt");
  CHECK(Run.ExitCode == 2);
  CHECK(Run.Out.empty());
  CHECK(Run.Err.find("The file of /find must be a full path (C:\\...): \"found.txt\"") != std::string::npos);
}
