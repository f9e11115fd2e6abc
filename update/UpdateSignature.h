#pragma once
// The signature of a release. An installer is started only when its version,
// name, size and SHA-256 digest are signed with a key built into the
// program: whoever controls the update server, or its name, cannot make one.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The UTF-8 text a release signature covers:
// "Marrowby update\n<version>\n<file name>\n<size>\n<lower-case SHA-256 hex>\n".
std::string ReleaseStatement(const std::wstring& Version, const std::wstring& FileName, int64_t Size,
                             const std::wstring& Sha256Hex);

// Standard base64 with its padding, nothing else (no blanks, no line breaks).
bool DecodeBase64(std::wstring_view Text, std::vector<uint8_t>& Bytes);

// A public key of the releases: X || Y of an ECDSA P-256 point, 64 bytes.
using TReleaseKey = std::vector<uint8_t>;

// True when Signature64, base64 of the raw r || s (64 bytes) of an ECDSA
// P-256 signature over the SHA-256 of Statement, verifies under one of Keys.
bool VerifyReleaseSignature(const std::wstring& Signature64, const std::string& Statement,
                            const std::vector<TReleaseKey>& Keys);

// The keys built into the program (today's and the next), unless tests
// have put their own in place.
const std::vector<TReleaseKey>& TrustedReleaseKeys();
class TTrustedReleaseKeysOverride {
public:
  explicit TTrustedReleaseKeysOverride(std::vector<TReleaseKey> Keys);
  ~TTrustedReleaseKeysOverride();
  TTrustedReleaseKeysOverride(const TTrustedReleaseKeysOverride&) = delete;
  TTrustedReleaseKeysOverride& operator=(const TTrustedReleaseKeysOverride&) = delete;

private:
  std::vector<TReleaseKey> FKeys;
  const std::vector<TReleaseKey>* FPrevious;
};

// Checks the opened installer (its size and digest are taken through File)
// against the signature under the trusted keys.
bool IsSignedRelease(HANDLE File, const std::wstring& Version, const std::wstring& FileName,
                     const std::wstring& Signature64);
