#include "update/UpdateErrors.h"

#include <windows.h>
#include <winhttp.h>

namespace {

const wchar_t ProxyAdvice[] = L"the proxy on the Options dialog's Update page";

std::wstring PlatformText(unsigned long ErrorCode) {
  wchar_t* Buffer = nullptr;
  const DWORD Length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      GetModuleHandleW(L"winhttp.dll"), ErrorCode, 0, reinterpret_cast<wchar_t*>(&Buffer), 0, nullptr);
  std::wstring Text = Length > 0 && Buffer != nullptr ? std::wstring(Buffer, Length) : std::wstring();
  if (Buffer != nullptr) LocalFree(Buffer);
  while (!Text.empty() && (Text.back() == L'\r' || Text.back() == L'\n' || Text.back() == L' ' || Text.back() == L'.'))
    Text.pop_back();
  return Text;
}

// The code stays on a line of its own, below the words, for whoever helps.
std::wstring WithCode(const std::wstring& Words, const wchar_t* Kind, unsigned long Code) {
  return Words + L"\r\n\r\n" + Kind + std::to_wstring(Code);
}

}  // namespace

std::wstring ServerOfURL(const std::wstring& URL) {
  const size_t Scheme = URL.find(L"://");
  const size_t Start = Scheme == std::wstring::npos ? 0 : Scheme + 3;
  std::wstring Authority = URL.substr(Start, URL.find_first_of(L"/?#", Start) - Start);
  const size_t At = Authority.rfind(L'@');
  if (At != std::wstring::npos) Authority.erase(0, At + 1);
  return Authority;
}

std::wstring HttpClientErrorText(unsigned long ErrorCode, const std::wstring& URL) {
  const std::wstring Server = ServerOfURL(URL);
  std::wstring Words;
  switch (ErrorCode) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case ERROR_WINHTTP_CONNECTION_ERROR:
      Words = L"Marrowby could not reach the update server " + Server + L". Check the connection, and " +
              ProxyAdvice + L".";
      break;
    case ERROR_WINHTTP_TIMEOUT:
      Words = L"The update server " + Server + L" did not answer in time. Try again later; if it keeps happening, " +
              L"check the connection and " + ProxyAdvice + L".";
      break;
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
      Words = L"The update server " + Server + L" showed a certificate that this computer does not trust, so " +
              L"Marrowby stopped. Check that the date and time of this computer are right; a proxy or a security " +
              L"program that looks into secure connections can also cause this.";
      break;
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
      Words = L"The update server " + Server + L" showed a certificate made out to another name, so Marrowby " +
              L"stopped: the connection may have reached the wrong server. Check " + ProxyAdvice + L".";
      break;
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
      Words = L"The certificate of the update server " + Server + L" has expired or is not valid yet, so " +
              L"Marrowby stopped. Check that the date and time of this computer are right.";
      break;
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
      Words = L"The certificate of the update server " + Server + L" has been withdrawn by its issuer, so " +
              L"Marrowby stopped. Try again later.";
      break;
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
      Words = L"Marrowby could not make a secure connection to the update server " + Server +
              L". Check that the date and time of this computer are right, and " + ProxyAdvice + L".";
      break;
    case ERROR_WINHTTP_REDIRECT_FAILED:
      Words = L"The update server " + Server + L" sent Marrowby on to an address that is not secure, so Marrowby " +
              L"stopped. Try again later.";
      break;
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
      Words = L"The update server " + Server + L" gave an answer that Marrowby cannot read. Try again later.";
      break;
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
      Words = L"The update address " + URL + L" is not a web address that Marrowby can use.";
      break;
    default: {
      const std::wstring Platform = PlatformText(ErrorCode);
      Words = L"The update check with the server " + Server + L" failed" +
              (Platform.empty() ? std::wstring() : L" (" + Platform + L")") +
              L". Try again later; if it keeps happening, check the connection and " + ProxyAdvice + L".";
      break;
    }
  }
  return WithCode(Words, L"Error code: ", ErrorCode);
}

std::wstring HttpStatusErrorText(int StatusCode, const std::wstring& ReasonPhrase, const std::wstring& URL) {
  const std::wstring Server = ServerOfURL(URL);
  const std::wstring Answer = std::to_wstring(StatusCode) + (ReasonPhrase.empty() ? L"" : L" " + ReasonPhrase);
  std::wstring Words;
  if (StatusCode == 407)
    Words = L"The proxy asks Marrowby to sign in, which Marrowby cannot do. Choose another proxy, or none, on the "
            L"Options dialog's Update page.";
  else if (StatusCode >= 500)
    Words = L"The update server " + Server + L" has a problem of its own (it answered \"" + Answer +
            L"\"). Try again later.";
  else
    Words = L"The update server " + Server + L" has no update information at the address Marrowby asked for (it "
            L"answered \"" + Answer + L"\"). Try again later; if it keeps happening, look for a new version on the "
            L"Brenlow web site.";
  return WithCode(Words, L"HTTP status: ", static_cast<unsigned long>(StatusCode));
}

std::wstring NotADescriptorText(const std::wstring& URL) {
  return L"What Marrowby received from " + ServerOfURL(URL) +
         L" is not update information. A network that asks you to sign in first, or a proxy, may have answered in "
         L"place of the update server. Sign in to the network if it asks you to, and try again.";
}

std::wstring LimitText(long long Limit) {
  if (Limit >= 1048576 && Limit % 1048576 == 0) return std::to_wstring(Limit / 1048576) + L" MB";
  if (Limit >= 1024 && Limit % 1024 == 0) return std::to_wstring(Limit / 1024) + L" KB";
  return std::to_wstring(Limit) + L" bytes";
}

std::wstring BodyTooLargeText(long long Limit, const std::wstring& URL) {
  return L"What Marrowby received from " + ServerOfURL(URL) + L" is larger than " + LimitText(Limit) +
         L", which no update information is, so Marrowby stopped receiving it and kept none of it. Try again "
         L"later; if it keeps happening, look for a new version on the Brenlow web site.";
}

std::wstring DownloadStatusErrorText(int StatusCode, const std::wstring& ReasonPhrase, const std::wstring& URL) {
  const std::wstring Answer = std::to_wstring(StatusCode) + (ReasonPhrase.empty() ? L"" : L" " + ReasonPhrase);
  return WithCode(L"The update server " + ServerOfURL(URL) + L" did not give Marrowby the new version (it answered \"" +
                      Answer + L"\"), so nothing was installed. Try again later; if it keeps happening, look for a "
                      L"new version on the Brenlow web site.",
                  L"HTTP status: ", static_cast<unsigned long>(StatusCode));
}

std::wstring EmptyDownloadText(const std::wstring& URL) {
  return L"The update server " + ServerOfURL(URL) +
         L" offers an empty file as the new version, so nothing was installed. Try again later.";
}

std::wstring NotAnInstallerText(const std::wstring& FileName) {
  return L"The update offers \"" + FileName +
         L"\", which is not an installer: Marrowby starts only a program (.exe) or a Windows Installer package "
         L"(.msi). Nothing was downloaded.";
}
