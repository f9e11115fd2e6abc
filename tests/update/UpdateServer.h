#pragma once
// The web server of the update tests (see update-server.py), and a private
// folder of files it serves, removed when the fixture goes.

#include "support/TempDir.h"

#include <string>

// False when the fixture step did not start a server (no python3 or no Wine host).
bool UpdateServerRunning();
// "http://127.0.0.1:<port>" and "https://127.0.0.1:<port>" (empty without openssl).
std::wstring HttpOrigin();
std::wstring HttpsOrigin();

class TServedFolder {
public:
  TServedFolder();
  ~TServedFolder();
  TServedFolder(const TServedFolder&) = delete;
  TServedFolder& operator=(const TServedFolder&) = delete;

  // The folder's name under the server's root, e.g. "t1a2b3".
  const std::wstring& Name() const { return FName; }
  std::wstring Path(const std::wstring& File) const;
  // Writes a served file; returns its full path.
  std::wstring Write(const std::wstring& File, const std::string& Content) const;
  // "<origin>/<folder>/<file>", or with a route: "<origin>/<route>/<folder>/<file>".
  std::wstring URL(const std::wstring& File, const std::wstring& Route = L"") const;

private:
  std::wstring FName;
  std::wstring FPath;
};

// The bytes of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& FileName);

// A text of Size bytes that differs from block to block.
std::string PatternBytes(size_t Size);
