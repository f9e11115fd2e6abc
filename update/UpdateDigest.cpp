#include "update/UpdateDigest.h"

#include "framework/Handle.h"

#include <bcrypt.h>

#include <vector>

namespace handle_traits {
struct HashAlgorithm {
  using Type = BCRYPT_ALG_HANDLE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { BCryptCloseAlgorithmProvider(h, 0); }
};
struct Hash {
  using Type = BCRYPT_HASH_HANDLE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { BCryptDestroyHash(h); }
};
}  // namespace handle_traits

namespace {

const wchar_t* AlgorithmOf(THashType HashType) {
  switch (HashType) {
    case THashType::htMD5: return BCRYPT_MD5_ALGORITHM;
    case THashType::htSHA1: return BCRYPT_SHA1_ALGORITHM;
    case THashType::htSHA256: return BCRYPT_SHA256_ALGORITHM;
    case THashType::htNone: break;
  }
  return nullptr;
}

}  // namespace

std::wstring FileDigest(const std::wstring& FileName, THashType HashType) {
  const wchar_t* Algorithm = AlgorithmOf(HashType);
  if (Algorithm == nullptr) return {};
  UniqueFile File(CreateFileW(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!File) return {};
  UniqueHandle<handle_traits::HashAlgorithm> Provider;
  if (BCryptOpenAlgorithmProvider(Provider.put(), Algorithm, nullptr, 0) < 0) return {};
  UniqueHandle<handle_traits::Hash> Hash;
  if (BCryptCreateHash(Provider.get(), Hash.put(), nullptr, 0, nullptr, 0, 0) < 0) return {};
  std::vector<UCHAR> Buffer(65536);
  for (;;) {
    DWORD Read = 0;
    if (!ReadFile(File.get(), Buffer.data(), static_cast<DWORD>(Buffer.size()), &Read, nullptr)) return {};
    if (Read == 0) break;
    if (BCryptHashData(Hash.get(), Buffer.data(), Read, 0) < 0) return {};
  }
  DWORD Length = 0;
  ULONG Ignored = 0;
  if (BCryptGetProperty(Provider.get(), BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&Length), sizeof(Length),
                        &Ignored, 0) < 0)
    return {};
  std::vector<UCHAR> Digest(Length);
  if (BCryptFinishHash(Hash.get(), Digest.data(), Length, 0) < 0) return {};
  static const wchar_t Hex[] = L"0123456789abcdef";
  std::wstring Text;
  for (const UCHAR Byte : Digest) {
    Text += Hex[Byte >> 4];
    Text += Hex[Byte & 15];
  }
  return Text;
}
