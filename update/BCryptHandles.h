#pragma once
// The owners of BCrypt's handles, for the digest and the signature checks.

#include "framework/Handle.h"

#include <windows.h>
#include <bcrypt.h>

namespace handle_traits {
struct BCryptAlgorithm {
  using Type = BCRYPT_ALG_HANDLE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { BCryptCloseAlgorithmProvider(h, 0); }
};
struct BCryptHash {
  using Type = BCRYPT_HASH_HANDLE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { BCryptDestroyHash(h); }
};
struct BCryptKey {
  using Type = BCRYPT_KEY_HANDLE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { BCryptDestroyKey(h); }
};
}  // namespace handle_traits

using UniqueBCryptAlgorithm = UniqueHandle<handle_traits::BCryptAlgorithm>;
using UniqueBCryptHash = UniqueHandle<handle_traits::BCryptHash>;
using UniqueBCryptKey = UniqueHandle<handle_traits::BCryptKey>;
