#include <doctest.h>

#include "Version.h"
#include "framework/FileSystem.h"
#include "support/TestStrings.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::wstring StringInfo(const std::vector<BYTE>& Block, const wchar_t* Name) {
  void* Value = nullptr;
  UINT Length = 0;
  const std::wstring Query = std::wstring(L"\\StringFileInfo\\040904B0\\") + Name;
  if (!VerQueryValueW(Block.data(), Query.c_str(), &Value, &Length) || Length == 0) return {};
  return static_cast<const wchar_t*>(Value);
}

}  // namespace

TEST_CASE("Marrowby.exe carries the project's version and its maker") {
  const std::wstring Exe = ExtractFilePath(ApplicationExeName()) + L"Marrowby.exe";
  DWORD Ignored = 0;
  const DWORD Size = GetFileVersionInfoSizeW(Exe.c_str(), &Ignored);
  REQUIRE(Size > 0);
  std::vector<BYTE> Block(Size);
  REQUIRE(GetFileVersionInfoW(Exe.c_str(), 0, Size, Block.data()));

  VS_FIXEDFILEINFO* Fixed = nullptr;
  UINT Length = 0;
  REQUIRE(VerQueryValueW(Block.data(), L"\\", reinterpret_cast<void**>(&Fixed), &Length));
  CHECK(HIWORD(Fixed->dwFileVersionMS) == MARROWBY_VERSION_MAJOR);
  CHECK(LOWORD(Fixed->dwFileVersionMS) == MARROWBY_VERSION_MINOR);
  CHECK(HIWORD(Fixed->dwFileVersionLS) == MARROWBY_VERSION_RELEASE);
  CHECK(LOWORD(Fixed->dwFileVersionLS) == MARROWBY_VERSION_BUILD);

  CHECK(StringInfo(Block, L"CompanyName") == L"Brenlow");
  CHECK(StringInfo(Block, L"FileVersion") == Utf8ToWide(MARROWBY_VERSION_TEXT));
  CHECK_FALSE(StringInfo(Block, L"FileDescription").empty());
  // The about window joins the two: the maker is named once.
  CHECK(StringInfo(Block, L"LegalCopyright") + L" " + StringInfo(Block, L"CompanyName") ==
        L"Copyright (C) 2026 Brenlow");

  // The manifest asks for administrator rights.
  const HMODULE Module = LoadLibraryExW(Exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  REQUIRE(Module != nullptr);
  const HRSRC Manifest = FindResourceW(Module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  REQUIRE(Manifest != nullptr);
  const char* Text = static_cast<const char*>(LockResource(LoadResource(Module, Manifest)));
  const std::string Content(Text, SizeofResource(Module, Manifest));
  FreeLibrary(Module);
  CHECK(Content.find("requireAdministrator") != std::string::npos);
  CHECK(Content.find("Microsoft.Windows.Common-Controls") != std::string::npos);
  CHECK(Content.find("dpiAware") != std::string::npos);
}
