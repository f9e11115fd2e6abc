#pragma once
// What a failed update check tells the user: what happened and what to do,
// in words, with the server named whole and the platform's code on a line
// of its own for support.

#include <string>

// The server of a web address as the user knows it: its host, with the port
// when one is written ("updates.brenlow.example", "127.0.0.1:8080").
std::wstring ServerOfURL(const std::wstring& URL);

// A request that failed before an answer came (WinHTTP's ERROR_WINHTTP_*
// codes: name resolution, connection, time-out, certificates, ...).
std::wstring HttpClientErrorText(unsigned long ErrorCode, const std::wstring& URL);

// An answer with an error status.
std::wstring HttpStatusErrorText(int StatusCode, const std::wstring& ReasonPhrase, const std::wstring& URL);

// An answer longer than Limit bytes, which no update description or notes are.
std::wstring BodyTooLargeText(long long Limit, const std::wstring& URL);

// Limit as the words above say it: "1 MB", "64 MB", "512 KB".
std::wstring LimitText(long long Limit);

// An answer that is no update description (a sign-in page of a network, say).
std::wstring NotADescriptorText(const std::wstring& URL);

// The installer's server answered a request for it with an error status.
std::wstring DownloadStatusErrorText(int StatusCode, const std::wstring& ReasonPhrase, const std::wstring& URL);

// The installer's server announced an empty file.
std::wstring EmptyDownloadText(const std::wstring& URL);

// A download that is no installer (".exe" or ".msi"): never fetched, never started.
std::wstring NotAnInstallerText(const std::wstring& FileName);
