#pragma once
// The proxy that the system's internet settings hold for the default (LAN)
// connection, and the host and port it names for one URL scheme.

#include <string>

// The four per-connection settings of the default connection. False when the
// system did not answer; the outputs are then left as they were.
bool QueryProxySettings(bool& AutoDetect, bool& AutoConfigUrlInUse, std::wstring& AutoConfigUrl, bool& ProxyInUse,
                        bool& Direct, std::wstring& ProxyServer, std::wstring& ProxyBypass);

// Whether a proxy is in use, and the host and port of the system's proxy
// text for Scheme ("http", "https", "ftp" or "socks"; anything else counts
// as "http"). False when the system did not answer: then no proxy, an empty
// address and port 80.
bool GetSystemProxy(const std::wstring& Scheme, bool& InUse, std::wstring& Address, int& Port);

// The host and port for Scheme in a proxy text as the system stores it: one
// host:port for every scheme, or entries scheme=host:port separated by ";"
// or blanks. Without a ":" the address is empty and the port 80; a port that
// is not a number is 0.
void ExtractSchemeProxy(const std::wstring& Scheme, const std::wstring& ProxyServer, std::wstring& Address,
                        int& Port);
