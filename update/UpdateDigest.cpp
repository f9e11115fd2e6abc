#include "update/UpdateDigest.h"

#include "update/BCryptHandles.h"

#include <bcrypt.h>

#include <vector>

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

// A digest over what Feed hands to its callback; empty after any failure.
template <typename TFeed>
std::vector<UCHAR> Digest(const wchar_t* Algorithm, TFeed&& Feed) {
  UniqueBCryptAlgorithm Provider;
  if (BCryptOpenAlgorithmProvider(Provider.put(), Algorithm, nullptr, 0) < 0) return {};
  UniqueBCryptHash Hash;
  if (BCryptCreateHash(Provider.get(), Hash.put(), nullptr, 0, nullptr, 0, 0) < 0) return {};
  const bool Fed = Feed([&](const UCHAR* Data, ULONG Size) {
    return BCryptHashData(Hash.get(), const_cast<PUCHAR>(Data), Size, 0) >= 0;
  });
  if (!Fed) return {};
  DWORD Length = 0;
  ULONG Ignored = 0;
  if (BCryptGetProperty(Provider.get(), BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&Length), sizeof(Length),
                        &Ignored, 0) < 0)
    return {};
  std::vector<UCHAR> Result(Length);
  if (BCryptFinishHash(Hash.get(), Result.data(), Length, 0) < 0) return {};
  return Result;
}

}  // namespace

std::wstring HandleDigest(HANDLE File, THashType HashType) {
  const wchar_t* Algorithm = AlgorithmOf(HashType);
  if (Algorithm == nullptr) return {};
  LARGE_INTEGER Start{};
  if (!SetFilePointerEx(File, Start, nullptr, FILE_BEGIN)) return {};
  const std::vector<UCHAR> Bytes = Digest(Algorithm, [File](auto&& Hash) {
    std::vector<UCHAR> Buffer(65536);
    for (;;) {
      DWORD Read = 0;
      if (!ReadFile(File, Buffer.data(), static_cast<DWORD>(Buffer.size()), &Read, nullptr)) return false;
      if (Read == 0) return true;
      if (!Hash(Buffer.data(), Read)) return false;
    }
  });
  static const wchar_t Hex[] = L"0123456789abcdef";
  std::wstring Text;
  for (const UCHAR Byte : Bytes) {
    Text += Hex[Byte >> 4];
    Text += Hex[Byte & 15];
  }
  return Text;
}

std::wstring FileDigest(const std::wstring& FileName, THashType HashType) {
  if (AlgorithmOf(HashType) == nullptr) return {};
  UniqueFile File(CreateFileW(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!File) return {};
  return HandleDigest(File.get(), HashType);
}

std::vector<uint8_t> Sha256Digest(std::string_view Data) {
  const std::vector<UCHAR> Bytes = Digest(BCRYPT_SHA256_ALGORITHM, [Data](auto&& Hash) {
    return Hash(reinterpret_cast<const UCHAR*>(Data.data()), static_cast<ULONG>(Data.size()));
  });
  return {Bytes.begin(), Bytes.end()};
}
