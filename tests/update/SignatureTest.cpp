#include <doctest.h>

#include "UpdateServer.h"
#include "UpdateTestSupport.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "support/TempDir.h"
#include "update/UpdateSignature.h"
#include "update/VKRAppUpdate.h"

#include <bcrypt.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Decoded(const std::wstring& Text) {
  std::vector<uint8_t> Bytes;
  DecodeBase64(Text, Bytes);
  return Bytes;
}

// The signature with its last data character changed in the bits the padding drops.
std::wstring NonCanonical(std::wstring Signature) {
  wchar_t& Last = Signature[Signature.size() - 3];
  Last = Last == L'A' ? L'B' : static_cast<wchar_t>(Last + 1);
  return Signature;
}

}  // namespace

TEST_CASE("base64 is read strictly: one text for one byte string") {
  const struct {
    const wchar_t* Text;
    bool Valid;
    const char* Bytes;
  } Cases[] = {
      {L"", true, ""},          {L"Zg==", true, "f"},     {L"Zm8=", true, "fo"},   {L"Zm9v", true, "foo"},
      {L"Zm9vYg==", true, "foob"},                        {L"Zh==", false, ""},    {L"Zm9=", false, ""},
      {L"Zm9", false, ""},      {L"Zm=v", false, ""},     {L"Z===", false, ""},    {L"====", false, ""},
      {L"Zm9v\r\n", false, ""}, {L"Zm 9v", false, ""},    {L"Zm9v====", false, ""}, {L"=Zm9", false, ""},
      {L"Zm-_", false, ""},     {L"Zg==Zg==", false, ""},
  };
  for (const auto& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Text));
    std::vector<uint8_t> Bytes{1, 2, 3};
    CHECK(DecodeBase64(Case.Text, Bytes) == Case.Valid);
    if (Case.Valid) CHECK(std::string(Bytes.begin(), Bytes.end()) == Case.Bytes);
  }
}

TEST_CASE("the statement a release signature covers") {
  CHECK(ReleaseStatement(L"1.2.0.0", L"Marrowby-Setup-1.2.0.0.exe", 300000,
                         L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad") ==
        "Marrowby update\n1.2.0.0\nMarrowby-Setup-1.2.0.0.exe\n300000\n"
        "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\n");
  // Names and versions are signed as UTF-8; sizes beyond 4 GB as they are.
  CHECK(ReleaseStatement(L"2.0 \u00e9", L"Setup-\u00e9.exe", 5000000000LL, L"00") ==
        "Marrowby update\n2.0 \xc3\xa9\nSetup-\xc3\xa9.exe\n5000000000\n00\n");
}

TEST_CASE("release signatures verify only for their statement and under a trusted key") {
  TTestReleaseKey Key;
  TTestReleaseKey Other;
  REQUIRE(Key.Valid());
  REQUIRE(Other.Valid());
  const std::wstring Version = L"1.2.0.0";
  const std::wstring Name = L"Marrowby-Setup-1.2.0.0.exe";
  const std::wstring Digest = Sha256Hex("the installer");
  const int64_t Size = 13;
  const std::string Statement = ReleaseStatement(Version, Name, Size, Digest);
  const std::wstring Good = Key.Sign(Statement);
  REQUIRE(Good.size() == 88);
  std::vector<uint8_t> Raw = Decoded(Good);
  REQUIRE(Raw.size() == 64);
  std::vector<uint8_t> Flipped = Raw;
  Flipped[40] ^= 1;
  std::vector<uint8_t> Swapped(Raw.begin() + 32, Raw.end());
  Swapped.insert(Swapped.end(), Raw.begin(), Raw.begin() + 32);
  std::wstring Upper = Digest;
  for (wchar_t& C : Upper) C = static_cast<wchar_t>(towupper(C));

  const std::vector<TReleaseKey> Trusted{Key.Public()};
  const struct {
    const char* What;
    std::wstring Signature;
    std::string Statement;
    std::vector<TReleaseKey> Keys;
    bool Valid;
  } Cases[] = {
      {"good", Good, Statement, Trusted, true},
      {"good under the second of two keys (a rotation)", Good, Statement, {Other.Public(), Key.Public()}, true},
      {"another version", Good, ReleaseStatement(L"1.2.0.1", Name, Size, Digest), Trusted, false},
      {"another name", Good, ReleaseStatement(Version, L"Marrowby-Setup-1.2.0.1.exe", Size, Digest), Trusted, false},
      {"one byte longer", Good, ReleaseStatement(Version, Name, Size + 1, Digest), Trusted, false},
      {"one byte shorter", Good, ReleaseStatement(Version, Name, Size - 1, Digest), Trusted, false},
      {"another digest", Good, ReleaseStatement(Version, Name, Size, Sha256Hex("the installer!")), Trusted, false},
      {"the digest in capitals", Good, ReleaseStatement(Version, Name, Size, Upper), Trusted, false},
      {"another statement's signature", Key.Sign(ReleaseStatement(L"0.9.0.0", Name, Size, Digest)), Statement,
       Trusted, false},
      {"a key that is not trusted", Other.Sign(Statement), Statement, Trusted, false},
      {"no trusted key at all", Good, Statement, {}, false},
      {"a trusted key of the wrong length", Good, Statement, {TReleaseKey(Key.Public().begin(), Key.Public().end() - 1)},
       false},
      {"no signature", L"", Statement, Trusted, false},
      {"not base64", std::wstring(88, L'!'), Statement, Trusted, false},
      {"base64 with a line break", Good.substr(0, 44) + L"\r\n" + Good.substr(44), Statement, Trusted, false},
      {"base64 padding that hides bits", NonCanonical(Good), Statement, Trusted, false},
      {"63 bytes", EncodeBase64(std::vector<uint8_t>(Raw.begin(), Raw.end() - 1)), Statement, Trusted, false},
      {"65 bytes", EncodeBase64([&] {
         std::vector<uint8_t> Longer = Raw;
         Longer.push_back(0);
         return Longer;
       }()),
       Statement, Trusted, false},
      {"a megabyte", std::wstring(1 << 20, L'A'), Statement, Trusted, false},
      {"one bit changed", EncodeBase64(Flipped), Statement, Trusted, false},
      {"s || r in place of r || s", EncodeBase64(Swapped), Statement, Trusted, false},
      {"all zero", EncodeBase64(std::vector<uint8_t>(64, 0)), Statement, Trusted, false},
  };
  for (const auto& Case : Cases) {
    CAPTURE(Case.What);
    CHECK(VerifyReleaseSignature(Case.Signature, Case.Statement, Case.Keys) == Case.Valid);
  }
}

TEST_CASE("a signed release is checked through the opened file") {
  TTestReleaseKey Key;
  REQUIRE(Key.Valid());
  TTrustedReleaseKeysOverride Trust({Key.Public()});
  TTempDir Dir;
  const std::string Content = "MZ the installer of a release";
  const std::wstring Signature = Key.SignRelease(L"3.0.0.0", L"Setup.exe", Content);
  const struct {
    const char* What;
    std::string Content;
    const wchar_t* Version;
    const wchar_t* Name;
    bool Valid;
  } Cases[] = {
      {"as signed", Content, L"3.0.0.0", L"Setup.exe", true},
      {"one byte longer", Content + "!", L"3.0.0.0", L"Setup.exe", false},
      {"one byte shorter", Content.substr(0, Content.size() - 1), L"3.0.0.0", L"Setup.exe", false},
      {"one byte changed", "MZ the installer of a releasE", L"3.0.0.0", L"Setup.exe", false},
      {"labelled as a newer version", Content, L"3.0.0.1", L"Setup.exe", false},
      {"under another name", Content, L"3.0.0.0", L"Setup-3.0.0.1.exe", false},
      {"an empty file", "", L"3.0.0.0", L"Setup.exe", false},
  };
  int Index = 0;
  for (const auto& Case : Cases) {
    CAPTURE(Case.What);
    const std::wstring File = Dir.MakeFile(L"case" + std::to_wstring(++Index) + L".exe", Case.Content);
    UniqueFile Handle(CreateFileW(File.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    REQUIRE(Handle.valid());
    // The check reads from the start, wherever an earlier reader left the file.
    SetFilePointer(Handle.get(), 5, nullptr, FILE_BEGIN);
    CHECK(IsSignedRelease(Handle.get(), Case.Version, Case.Name, Signature) == Case.Valid);
  }
}

TEST_CASE("the built-in release keys are P-256 points; a test key is not among them") {
  TTestReleaseKey Key;
  REQUIRE(Key.Valid());
  const std::vector<TReleaseKey> BuiltIn = TrustedReleaseKeys();
  REQUIRE_FALSE(BuiltIn.empty());
  BCRYPT_ALG_HANDLE Provider = nullptr;
  REQUIRE(BCryptOpenAlgorithmProvider(&Provider, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) >= 0);
  for (const TReleaseKey& Public : BuiltIn) {
    REQUIRE(Public.size() == 64);
    std::vector<uint8_t> Blob(sizeof(BCRYPT_ECCKEY_BLOB));
    const BCRYPT_ECCKEY_BLOB Header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    memcpy(Blob.data(), &Header, sizeof(Header));
    Blob.insert(Blob.end(), Public.begin(), Public.end());
    BCRYPT_KEY_HANDLE Handle = nullptr;
    CHECK(BCryptImportKeyPair(Provider, nullptr, BCRYPT_ECCPUBLIC_BLOB, &Handle, Blob.data(),
                              static_cast<ULONG>(Blob.size()), 0) >= 0);
    if (Handle != nullptr) BCryptDestroyKey(Handle);
    CHECK(Public != Key.Public());
  }
  BCryptCloseAlgorithmProvider(Provider, 0);

  const std::string Statement = ReleaseStatement(L"9.0.0.0", L"Setup.exe", 1, Sha256Hex("x"));
  CHECK_FALSE(VerifyReleaseSignature(Key.Sign(Statement), Statement, TrustedReleaseKeys()));
  {
    TTrustedReleaseKeysOverride Trust({Key.Public()});
    CHECK(TrustedReleaseKeys() == std::vector<TReleaseKey>{Key.Public()});
    CHECK(VerifyReleaseSignature(Key.Sign(Statement), Statement, TrustedReleaseKeys()));
  }
  CHECK(TrustedReleaseKeys() == BuiltIn);
}

TEST_CASE("a release made by the release tool verifies with the program's own check") {
  // A fixture step ran tools/sign-release --new-key and signed a file with it.
  const wchar_t* Folder = _wgetenv(L"MARROWBY_SIGNED_RELEASE");
  REQUIRE_MESSAGE(Folder != nullptr, "the release tool's fixture step did not run (python3 or Wine missing)");
  const std::wstring Dir = IncludeTrailingPathDelimiter(Folder);
  const TUpdateDescriptor Release = ReadUpdateDescriptor(Dir + L"descriptor.txt", L"Marrowby");
  CHECK(Release.Version == L"3.1.4.1");
  CHECK(Release.DownloadFileURL == L"https://updates.brenlow.example/brenlow/Marrowby-Setup-3.1.4.1.exe");
  CHECK(Release.ReadmeFileURL == L"https://updates.brenlow.example/brenlow/Marrowby.txt");
  REQUIRE(Release.Signature.size() == 88);

  // The public key file, read as the build reads it: the one line of base64.
  const std::string KeyFile = ReadFileBytes(Dir + L"keys\\marrowby-update.pub");
  std::wstring KeyLine;
  for (size_t Start = 0; Start < KeyFile.size();) {
    const size_t End = std::min(KeyFile.find('\n', Start), KeyFile.size());
    const std::string Line = KeyFile.substr(Start, End - Start);
    if (!Line.empty() && Line[0] != '#') KeyLine = Utf8ToWide(Line);
    Start = End + 1;
  }
  TReleaseKey Public;
  REQUIRE(DecodeBase64(KeyLine, Public));
  REQUIRE(Public.size() == 64);

  const std::wstring Payload = Dir + L"payload.exe";
  UniqueFile Handle(CreateFileW(Payload.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  REQUIRE(Handle.valid());
  CHECK(Release.SHA256Hash == Sha256Hex(ReadFileBytes(Payload)));
  const std::wstring Name = L"Marrowby-Setup-3.1.4.1.exe";
  CHECK_FALSE(IsSignedRelease(Handle.get(), Release.Version, Name, Release.Signature));
  TTrustedReleaseKeysOverride Trust({Public});
  CHECK(IsSignedRelease(Handle.get(), Release.Version, Name, Release.Signature));
  CHECK_FALSE(IsSignedRelease(Handle.get(), L"3.1.4.2", Name, Release.Signature));
  CHECK_FALSE(IsSignedRelease(Handle.get(), Release.Version, L"payload.exe", Release.Signature));
}
