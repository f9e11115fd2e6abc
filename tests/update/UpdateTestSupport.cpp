#include "UpdateTestSupport.h"

#include <doctest.h>

#include "framework/FileSystem.h"
#include "update/UpdateDigest.h"

#include <bcrypt.h>

#include <atomic>

namespace {
TDownloadWatch* GWatch = nullptr;
}

TDialogLog::TDialogLog()
    : FHook([this](const TMessageDialogRequest& Request) {
        Texts.push_back(Request.Text);
        Types.push_back(Request.Type);
        return Request.Type == TMsgDlgType::mtConfirmation ? ConfirmAnswer : mrOk;
      }) {}

TShellLog::TShellLog()
    : FHook([this](const TShellExecuteRequest& Request) -> INT_PTR {
        Files.push_back(Request.FileName != nullptr ? Request.FileName : L"");
        Parameters.push_back(Request.Parameters != nullptr ? Request.Parameters : L"");
        Directories.push_back(Request.Directory != nullptr ? Request.Directory : L"");
        if (OnRequest) OnRequest(Files.back());
        return 42;
      }) {}

std::wstring UniqueInstallerName() {
  static std::atomic<int> Counter{0};
  return L"MarrowbyTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++Counter) + L".exe";
}

TDownloadFixture::TDownloadFixture() {
  VKRAppUpdateNotifyBox = &Box;
  Box.FileSizeUnit = TVKRAppUpdateFileSizeUnit::KiloBytes;
  Box.HashType = THashType::htSHA256;
  // The test server speaks plain http: the prefix does not trust its certificate.
  Box.AllowPlainHttp = true;
  Box.UpdateRoot = Root.Path();
}

TDownloadFixture::~TDownloadFixture() { VKRAppUpdateNotifyBox = nullptr; }

std::wstring TDownloadFixture::Started() const {
  if (Shell.Files.size() != 1) return {};
  std::wstring Target = Shell.Files[0];
  const std::wstring& Parameters = Shell.Parameters[0];
  if (!Parameters.empty()) {
    // An installer package: msiexec /i "<package>".
    if (Parameters.size() < 6 || Parameters.rfind(L"/i \"", 0) != 0 || Parameters.back() != L'"') return {};
    Target = Parameters.substr(4, Parameters.size() - 5);
  }
  const std::wstring Folder = ExtractFilePath(Target);
  const std::wstring Own = ExcludeTrailingPathDelimiter(Folder);
  if (Shell.Directories[0] != Folder || ExtractFilePath(Own) != Root.Path() + L"\\" ||
      ExtractFileName(Own).size() != 32)
    return {};
  return Target;
}

TNotifyAnswer::TNotifyAnswer(std::function<void(TVKRAppUpdateNotifyBox&)> Answer)
    : FAnswer([]() -> TForm* { return VKRAppUpdateNotifyBox; },
              [Answer = std::move(Answer)](TForm& Box) { Answer(static_cast<TVKRAppUpdateNotifyBox&>(Box)); }) {}

TDownloadWatch::TDownloadWatch(std::function<void(TVKRAppUpdateDownloadBox&)> Look) : FLook(std::move(Look)) {
  GWatch = this;
  FTimer = SetTimer(nullptr, 0, 10, &TDownloadWatch::Tick);
}

TDownloadWatch::~TDownloadWatch() {
  KillTimer(nullptr, FTimer);
  GWatch = nullptr;
}

void CALLBACK TDownloadWatch::Tick(HWND, UINT, UINT_PTR, DWORD) {
  TDownloadWatch* Self = GWatch;
  TVKRAppUpdateDownloadBox* Box = VKRAppUpdateDownloadBox;
  if (Self == nullptr || Box == nullptr || !Box->Visible()) return;
  ++Self->FLooks;
  try {
    Self->FLook(*Box);
  } catch (...) {
    FAIL_CHECK("looking at the download window failed");
  }
}

TTestReleaseKey::TTestReleaseKey() {
  BCRYPT_ALG_HANDLE Provider = nullptr;
  if (BCryptOpenAlgorithmProvider(&Provider, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) < 0) return;
  BCRYPT_KEY_HANDLE Key = nullptr;
  if (BCryptGenerateKeyPair(Provider, &Key, 256, 0) >= 0 && BCryptFinalizeKeyPair(Key, 0) >= 0) {
    FKey = Key;
    std::vector<uint8_t> Blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64);
    ULONG Size = 0;
    if (BCryptExportKey(Key, nullptr, BCRYPT_ECCPUBLIC_BLOB, Blob.data(), static_cast<ULONG>(Blob.size()), &Size, 0) >=
            0 &&
        Size == Blob.size())
      FPublic.assign(Blob.begin() + sizeof(BCRYPT_ECCKEY_BLOB), Blob.end());
  } else if (Key != nullptr) {
    BCryptDestroyKey(Key);
  }
  BCryptCloseAlgorithmProvider(Provider, 0);
}

TTestReleaseKey::~TTestReleaseKey() {
  if (FKey != nullptr) BCryptDestroyKey(static_cast<BCRYPT_KEY_HANDLE>(FKey));
}

std::wstring TTestReleaseKey::Sign(const std::string& Statement) const {
  std::vector<uint8_t> Digest = Sha256Digest(Statement);
  std::vector<uint8_t> Signature(64);
  ULONG Size = 0;
  if (FKey == nullptr ||
      BCryptSignHash(static_cast<BCRYPT_KEY_HANDLE>(FKey), nullptr, Digest.data(), static_cast<ULONG>(Digest.size()),
                     Signature.data(), static_cast<ULONG>(Signature.size()), &Size, 0) < 0 ||
      Size != 64)
    return {};
  return EncodeBase64(Signature);
}

std::wstring TTestReleaseKey::SignRelease(const std::wstring& Version, const std::wstring& FileName,
                                          const std::string& Content) const {
  return Sign(ReleaseStatement(Version, FileName, static_cast<int64_t>(Content.size()), Sha256Hex(Content)));
}

std::wstring EncodeBase64(const std::vector<uint8_t>& Bytes) {
  static const char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::wstring Text;
  for (size_t i = 0; i < Bytes.size(); i += 3) {
    const size_t Left = Bytes.size() - i;
    const uint32_t Group = (Bytes[i] << 16) | (Left > 1 ? Bytes[i + 1] << 8 : 0) | (Left > 2 ? Bytes[i + 2] : 0);
    Text += Alphabet[(Group >> 18) & 63];
    Text += Alphabet[(Group >> 12) & 63];
    Text += Left > 1 ? Alphabet[(Group >> 6) & 63] : '=';
    Text += Left > 2 ? Alphabet[Group & 63] : '=';
  }
  return Text;
}

std::wstring Sha256Hex(const std::string& Content) {
  static const wchar_t Hex[] = L"0123456789abcdef";
  std::wstring Text;
  for (const uint8_t Byte : Sha256Digest(Content)) {
    Text += Hex[Byte >> 4];
    Text += Hex[Byte & 15];
  }
  return Text;
}
