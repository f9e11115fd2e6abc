// Registry scripts: the value lines, a whole key with its subtree, the cases
// that write no script, and an import of the script by the system's reg.exe.

#include "StoreTestSupport.h"

#include "framework/Handle.h"
#include "store/VKRRegistryExport.h"
#include "support/TempDir.h"

#include <string>
#include <vector>

namespace {

void WriteFileBytes(const std::wstring& Path, const std::string& Bytes) {
  UniqueFile File(CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  REQUIRE(File.valid());
  DWORD Written = 0;
  REQUIRE(WriteFile(File.get(), Bytes.data(), static_cast<DWORD>(Bytes.size()), &Written, nullptr));
}

TBytes Counting(size_t Count) {
  TBytes Bytes(Count);
  for (size_t i = 0; i < Count; ++i) Bytes[i] = static_cast<uint8_t>(i);
  return Bytes;
}

// "00,01,...," for the bytes First to Last of Counting().
std::wstring HexRun(size_t First, size_t Last) {
  std::wstring Text;
  for (size_t i = First; i <= Last; ++i) Text += IntToHex(i, 2) + (i < Last ? L"," : L"");
  return Text;
}

// Runs a program of the prefix and returns its exit code.
DWORD RunAndWait(std::wstring CommandLine) {
  STARTUPINFOW Startup{};
  Startup.cb = sizeof(Startup);
  PROCESS_INFORMATION Process{};
  REQUIRE(CreateProcessW(nullptr, CommandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                         &Startup, &Process));
  UniqueKernelObject ProcessHandle(Process.hProcess);
  UniqueKernelObject ThreadHandle(Process.hThread);
  REQUIRE(WaitForSingleObject(Process.hProcess, 60000) == WAIT_OBJECT_0);
  DWORD Code = 0;
  GetExitCodeProcess(Process.hProcess, &Code);
  return Code;
}

}  // namespace

TEST_CASE("every type of value has its script line") {
  struct TCase {
    const char* What;
    std::wstring Name;
    DWORD Type;
    TBytes Data;
    std::wstring Expected;
  };
  const std::vector<TCase> Cases = {
      {"text with backslashes", L"Path", REG_SZ, TextBytes(L"C:\\Temp\\"), L"\"Path\"=\"C:\\\\Temp\\\\\"\r\n"},
      {"a name with a backslash", L"A\\B", REG_SZ, TextBytes(L"x"), L"\"A\\\\B\"=\"x\"\r\n"},
      {"the default value", L"", REG_SZ, TextBytes(L"d"), L"@=\"d\"\r\n"},
      {"an expandable text is written as plain text", L"E", REG_EXPAND_SZ, TextBytes(L"%TEMP%\\x"),
       L"\"E\"=\"%TEMP%\\\\x\"\r\n"},
      {"text ends at its first zero", L"Z", REG_SZ, TextBytes(std::wstring(L"ab\0cd", 5)), L"\"Z\"=\"ab\"\r\n"},
      {"double quotes are escaped", L"Say \"hi\"", REG_SZ, TextBytes(L"a \"b\""),
       L"\"Say \\\"hi\\\"\"=\"a \\\"b\\\"\"\r\n"},
      {"a DWORD of 1", L"One", REG_DWORD, DwordBytes(1), L"\"One\"=dword:00000001\r\n"},
      {"a DWORD of -1", L"Minus", REG_DWORD, DwordBytes(0xFFFFFFFFu), L"\"Minus\"=dword:FFFFFFFF\r\n"},
      {"a DWORD in upper-case hexadecimal", L"Big", REG_DWORD, DwordBytes(0x00ABCDEFu), L"\"Big\"=dword:00ABCDEF\r\n"},
      {"a binary value of one byte", L"B1", REG_BINARY, TBytes{0xAB}, L"\"B1\"=hex:AB\r\n"},
      {"an empty binary value", L"B0", REG_BINARY, TBytes{}, L"\"B0\"=hex:\r\n"},
      {"26 bytes fit on the first line", L"B26", REG_BINARY, Counting(26), L"\"B26\"=hex:" + HexRun(0, 25) + L"\r\n"},
      {"the 27th byte starts a second line", L"B27", REG_BINARY, Counting(27),
       L"\"B27\"=hex:" + HexRun(0, 25) + L",\\\r\n1A\r\n"},
      {"60 bytes take 26, 25 and 9", L"B60", REG_BINARY, Counting(60),
       L"\"B60\"=hex:" + HexRun(0, 25) + L",\\\r\n" + HexRun(26, 50) + L",\\\r\n" + HexRun(51, 59) + L"\r\n"},
      {"a multi-string has no data", L"M", REG_MULTI_SZ, TextBytes(L"a"), L"\"M\"=\"\"\r\n"},
      {"a QWORD has no data", L"Q", REG_QWORD, RawBytes<uint64_t>(5), L"\"Q\"=\"\"\r\n"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.What);
    CHECK(RegFileValueLines(Case.Name, Case.Type, Case.Data) == Case.Expected);
  }
}

TEST_CASE("a key is exported with its values, then every subkey depth first under its own header") {
  // Laid out like the program's own key; names are created in sorted order,
  // which is the enumeration order of every registry.
  TStoreFixture F;
  F.Fixture.WriteString(L"", L"ApplicationPath", L"C:\\Program Files\\Marrowby\\Marrowby.exe");
  F.Fixture.WriteString(L"", L"Version", L"1.0.0.1");
  F.Fixture.WriteDword(L"Extensions", L"*.bak", 1);
  F.Fixture.WriteDword(L"Extensions", L"*.tmp", 0);
  F.Fixture.WriteString(L"FormInfo", L"Main Window", L"208, 132, 943, 601, 0");
  F.Fixture.WriteString(L"Locations", L"Item0", L"C:\\windows\\Temp");
  F.Fixture.CreateKey(L"Locations\\Empty");
  WriteBytes(F.Fixture, L"Options", L"Blob", REG_BINARY, TBytes{0x00, 0x7F, 0xFF});
  F.Fixture.WriteDword(L"Options", L"MaxDepth", 0xFFFFFFFFu);
  F.Fixture.WriteDword(L"Options", L"ScanAtStartup", 1);

  TTempDir Temp;
  const std::wstring Script = Temp / L"key.reg";
  F.Store.ExportKeyToRegFile(L"", Script);

  const std::string Root = "[HKEY_CURRENT_USER\\" + WideToAnsi(F.Fixture.KeyPath());
  const std::string Expected =
      "REGEDIT4\r\n"
      "\r\n" + Root + "]\r\n"
      "\"ApplicationPath\"=\"C:\\\\Program Files\\\\Marrowby\\\\Marrowby.exe\"\r\n"
      "\"Version\"=\"1.0.0.1\"\r\n"
      "\r\n" + Root + "\\Extensions]\r\n"
      "\"*.bak\"=dword:00000001\r\n"
      "\"*.tmp\"=dword:00000000\r\n"
      "\r\n" + Root + "\\FormInfo]\r\n"
      "\"Main Window\"=\"208, 132, 943, 601, 0\"\r\n"
      "\r\n" + Root + "\\Locations]\r\n"
      "\"Item0\"=\"C:\\\\windows\\\\Temp\"\r\n"
      "\r\n" + Root + "\\Locations\\Empty]\r\n"
      "\r\n" + Root + "\\Options]\r\n"
      "\"Blob\"=hex:00,7F,FF\r\n"
      "\"MaxDepth\"=dword:FFFFFFFF\r\n"
      "\"ScanAtStartup\"=dword:00000001\r\n";
  CHECK(FileBytes(Script) == Expected);

  // A subkey exports alone, with its full path; an existing script is replaced.
  F.Store.ExportKeyToRegFile(L"FormInfo\\", Script);
  CHECK(FileBytes(Script) == "REGEDIT4\r\n\r\n" + Root + "\\FormInfo]\r\n\"Main Window\"=\"208, 132, 943, 601, 0\"\r\n");
}

TEST_CASE("text is written in the ANSI code page") {
  TStoreFixture F;
  F.Fixture.WriteString(L"", L"Caf\u00E9", L"\u00E9t\u00E9");
  TTempDir Temp;
  F.Store.ExportKeyToRegFile(L"", Temp / L"ansi.reg");
  const std::string Bytes = FileBytes(Temp / L"ansi.reg");
  CHECK(Bytes.find(WideToAnsi(L"\"Caf\u00E9\"=\"\u00E9t\u00E9\"\r\n")) != std::string::npos);
  if (GetACP() == 1252) CHECK(Bytes.find("\"Caf\xE9\"=\"\xE9t\xE9\"\r\n") != std::string::npos);
}

TEST_CASE("what writes no script, and a key that is not there") {
  TStoreFixture F;
  F.Fixture.WriteString(L"", L"A", L"a");
  TTempDir Temp;

  SUBCASE("a missing key gives its header alone") {
    F.Store.ExportKeyToRegFile(L"Nowhere", Temp / L"missing.reg");
    CHECK(FileBytes(Temp / L"missing.reg") ==
          "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + WideToAnsi(F.Fixture.KeyPath()) + "\\Nowhere]\r\n");
  }
  SUBCASE("a store without a key writes nothing") {
    TVKRRegistryEnhanced Store;
    Store.ExportKeyToRegFile(L"", Temp / L"nokey.reg");
    CHECK_FALSE(FileExists(Temp / L"nokey.reg"));
  }
  SUBCASE("a file that cannot be created ends the export silently") {
    F.Store.SetRaiseExceptions(true);
    CHECK_NOTHROW(F.Store.ExportKeyToRegFile(L"", Temp / L"no\\such\\folder\\x.reg"));
    const std::wstring Long = Temp.Path() + L"\\" + std::wstring(260 - Temp.Path().size(), L'n');
    REQUIRE(Long.size() == 261);
    CHECK_NOTHROW(F.Store.ExportKeyToRegFile(L"", Long));
    CHECK_FALSE(FileExists(Long));
  }
}

TEST_CASE("the system's reg import of a script gives another key the same values") {
  TStoreFixture F;
  F.Fixture.WriteString(L"", L"", L"default");
  F.Fixture.WriteString(L"", L"Path", L"C:\\Temp\\");
  F.Fixture.WriteString(L"", L"Quoted \"name\"", L"say \"hi\" \\ bye");
  F.Fixture.WriteString(L"", L"Empty", L"");
  F.Fixture.WriteDword(L"", L"One", 1);
  F.Fixture.WriteDword(L"", L"Minus", 0xFFFFFFFFu);
  WriteBytes(F.Fixture, L"", L"Bin0", REG_BINARY, TBytes{});
  WriteBytes(F.Fixture, L"", L"Bin1", REG_BINARY, TBytes{0x5A});
  WriteBytes(F.Fixture, L"Sub\\Deeper", L"Bin60", REG_BINARY, Counting(60));
  F.Fixture.WriteString(L"Sub", L"A\\B", L"x");
  F.Fixture.CreateKey(L"Sub\\Hollow");

  TTempDir Temp;
  const std::wstring Script = Temp / L"copy.reg";
  F.Store.ExportKeyToRegFile(L"", Script);

  // The same script aimed at another key.
  TRegistryFixture Target;
  std::string Text = FileBytes(Script);
  const std::string From = "[HKEY_CURRENT_USER\\" + WideToAnsi(F.Fixture.KeyPath());
  const std::string To = "[HKEY_CURRENT_USER\\" + WideToAnsi(Target.KeyPath());
  for (size_t At = Text.find(From); At != std::string::npos; At = Text.find(From, At + To.size()))
    Text.replace(At, From.size(), To);
  WriteFileBytes(Script, Text);
  REQUIRE(RunAndWait(L"reg.exe import \"" + Script + L"\"") == 0);

  for (const wchar_t* Key : {L"", L"Sub", L"Sub\\Deeper", L"Sub\\Hollow"}) {
    CAPTURE(WideToUtf8(Key));
    REQUIRE(Target.KeyExists(Key));
    CHECK(Target.ValueNames(Key) == F.Fixture.ValueNames(Key));
    CHECK(Target.SubKeyNames(Key) == F.Fixture.SubKeyNames(Key));
    for (const std::wstring& Name : F.Fixture.ValueNames(Key)) {
      CAPTURE(WideToUtf8(Name));
      const auto Source = F.Fixture.ReadRaw(Key, Name);
      const auto Copy = Target.ReadRaw(Key, Name);
      REQUIRE(Source);
      REQUIRE(Copy);
      CHECK(Copy->Type == Source->Type);
      CHECK(Copy->Data == Source->Data);
    }
  }
}
