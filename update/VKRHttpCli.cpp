#include "update/VKRHttpCli.h"

#include "framework/Application.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "update/UpdateErrors.h"

#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cwctype>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace handle_traits {
struct Internet {
  using Type = HINTERNET;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { WinHttpCloseHandle(h); }
};
}  // namespace handle_traits

using UniqueInternet = UniqueHandle<handle_traits::Internet>;

// What the GUI thread and the worker of one request share; both hold it, so
// a worker that a stop left behind in a blocking call of the platform ends
// by itself on its own copy. The worker writes the outcome before it sets
// Done; the GUI thread reads it after that.
struct TTransferJob {
  // The request.
  std::wstring URL;
  const wchar_t* Method = L"GET";
  std::wstring Agent;
  std::wstring Headers;
  std::wstring Proxy;  // "host:port", empty for a direct connection
  bool WantBody = false;
  int64_t MaxBody = 0;  // 0: no limit
  int MaxRedirections = 5;
  int TimeoutMilliseconds = 30000;

  // Each block goes to the GUI thread, which writes it; the worker waits
  // until it has been taken (or the request was aborted).
  std::atomic<bool> Aborted{false};
  std::mutex Lock;
  std::condition_variable Taken;
  UniqueKernelObject Wake;  // auto-reset: a block is ready or the worker is done
  bool BlockPending = false;
  std::vector<char> Block;
  bool Done = false;
  int64_t Received = 0;

  // The outcome.
  int Status = 0;
  std::wstring Reason;
  int64_t Length = -1;
  bool TooLarge = false;  // announced or counted past MaxBody
  std::exception_ptr Error;
  // WINHTTP_CALLBACK_STATUS_FLAG_* of a failed certificate check.
  DWORD SecureFailure = 0;
};

EHttpException::EHttpException(int StatusCode, std::wstring ReasonPhrase)
    : Exception(L"HTTP error " + std::to_wstring(StatusCode) + L" " + ReasonPhrase),
      FStatusCode(StatusCode),
      FReasonPhrase(std::move(ReasonPhrase)) {}

EHttpBodyTooLarge::EHttpBodyTooLarge(int64_t Limit, const std::wstring& URL)
    : Exception(BodyTooLargeText(Limit, URL)), FLimit(Limit) {}

namespace {

bool IsHostChar(wchar_t C) {
  return (C >= L'a' && C <= L'z') || (C >= L'A' && C <= L'Z') || (C >= L'0' && C <= L'9') || C == L'-' ||
         C == L'_' || C == L'.';
}

bool StartsWithNoCase(const std::wstring& Text, const wchar_t* Prefix) {
  const std::wstring_view Head(Prefix);
  return Text.size() >= Head.size() && SameTextAZ(std::wstring_view(Text).substr(0, Head.size()), Head);
}

// The error of the last platform call. Wine 8 ends a wait on the server
// past the time-out with the socket's own code, Windows with WinHTTP's.
DWORD LastRequestError() {
  const DWORD Code = GetLastError();
  return Code == WSAETIMEDOUT ? static_cast<DWORD>(ERROR_WINHTTP_TIMEOUT) : Code;
}

void Check(bool Condition, const std::wstring& Context) {
  if (!Condition) throw EHttpClientError(LastRequestError(), Context);
}

struct TUrlParts {
  bool Secure = false;
  std::wstring Host;
  INTERNET_PORT Port = 0;
  std::wstring PathAndQuery;  // without the fragment
};

TUrlParts CrackURL(const std::wstring& URL) {
  if (!IsWebURLSyntax(URL)) throw EHttpClientError(ERROR_WINHTTP_INVALID_URL, URL);
  URL_COMPONENTS Parts{};
  Parts.dwStructSize = sizeof(Parts);
  Parts.dwHostNameLength = static_cast<DWORD>(-1);
  Parts.dwUrlPathLength = static_cast<DWORD>(-1);
  Parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  Check(WinHttpCrackUrl(URL.c_str(), static_cast<DWORD>(URL.size()), 0, &Parts) != FALSE, URL);
  TUrlParts Result;
  Result.Secure = Parts.nScheme == INTERNET_SCHEME_HTTPS;
  Result.Host.assign(Parts.lpszHostName, Parts.dwHostNameLength);
  Result.Port = Parts.nPort;
  Result.PathAndQuery.assign(Parts.lpszUrlPath, Parts.dwUrlPathLength);
  std::wstring Extra(Parts.lpszExtraInfo != nullptr ? Parts.lpszExtraInfo : L"", Parts.dwExtraInfoLength);
  Extra = Extra.substr(0, Extra.find(L'#'));
  Result.PathAndQuery += Extra;
  if (Result.PathAndQuery.empty()) Result.PathAndQuery = L"/";
  return Result;
}

// The target of a redirection, as an absolute URL.
std::wstring ResolveLocation(const std::wstring& Base, const std::wstring& Location) {
  if (StartsWithNoCase(Location, L"http://") || StartsWithNoCase(Location, L"https://")) return Location;
  const size_t SchemeEnd = Base.find(L"://");
  const std::wstring Scheme = Base.substr(0, SchemeEnd);
  if (Location.rfind(L"//", 0) == 0) return Scheme + L":" + Location;
  const size_t PathStart = Base.find(L'/', SchemeEnd + 3);
  const std::wstring Origin = Base.substr(0, PathStart);
  if (Location.rfind(L"/", 0) == 0) return Origin + Location;
  std::wstring Path = PathStart == std::wstring::npos ? L"/" : Base.substr(PathStart);
  Path = Path.substr(0, Path.find_first_of(L"?#"));
  return Origin + Path.substr(0, Path.rfind(L'/') + 1) + Location;
}

std::wstring QueryText(HINTERNET Request, DWORD Info) {
  DWORD Size = 0;
  WinHttpQueryHeaders(Request, Info, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &Size, WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || Size == 0) return {};
  std::wstring Text(Size / sizeof(wchar_t) + 1, L'\0');
  if (!WinHttpQueryHeaders(Request, Info, WINHTTP_HEADER_NAME_BY_INDEX, Text.data(), &Size, WINHTTP_NO_HEADER_INDEX))
    return {};
  Text.resize(Size / sizeof(wchar_t));
  return Text;
}

// The platform names only "secure failure" as the error of a request; why
// the certificate was refused comes to the status callback.
void CALLBACK SecureFailureCallback(HINTERNET, DWORD_PTR Context, DWORD Status, LPVOID Information,
                                    DWORD Length) noexcept {
  if (Status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE && Context != 0 && Information != nullptr &&
      Length >= sizeof(DWORD))
    reinterpret_cast<TTransferJob*>(Context)->SecureFailure |= *static_cast<const DWORD*>(Information);
}

// The error that says why a secure connection failed, most basic reason first.
DWORD SecureFailureError(DWORD Flags, DWORD Fallback) {
  const struct {
    DWORD Flag;
    DWORD Error;
  } Reasons[] = {
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED, ERROR_WINHTTP_SECURE_CERT_REVOKED},
      {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA, ERROR_WINHTTP_SECURE_INVALID_CA},
      {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT, ERROR_WINHTTP_SECURE_INVALID_CERT},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED, ERROR_WINHTTP_SECURE_CERT_REV_FAILED},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID, ERROR_WINHTTP_SECURE_CERT_CN_INVALID},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID, ERROR_WINHTTP_SECURE_CERT_DATE_INVALID},
      {WINHTTP_CALLBACK_STATUS_FLAG_SECURITY_CHANNEL_ERROR, ERROR_WINHTTP_SECURE_CHANNEL_ERROR},
  };
  for (const auto& Reason : Reasons)
    if ((Flags & Reason.Flag) != 0) return Reason.Error;
  return Fallback;
}

// Sends the request and waits for the answer; a refused certificate fails with its reason.
void Exchange(TTransferJob& Job, HINTERNET Request, const std::wstring& URL) {
  const bool Answered =
      WinHttpSendRequest(Request, Job.Headers.c_str(), static_cast<DWORD>(-1), WINHTTP_NO_REQUEST_DATA, 0, 0,
                         reinterpret_cast<DWORD_PTR>(&Job)) != FALSE &&
      WinHttpReceiveResponse(Request, nullptr) != FALSE;
  if (Answered) return;
  DWORD Error = LastRequestError();
  if (Error == ERROR_WINHTTP_SECURE_FAILURE || Error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR)
    Error = SecureFailureError(Job.SecureFailure, Error);
  throw EHttpClientError(Error, URL);
}

bool IsRedirection(int Status) { return Status == 301 || Status == 302 || Status == 303 || Status == 307 || Status == 308; }

// Hands a received block to the GUI thread and waits until it has been taken
// (or the request was aborted), so each block raises its own progress event.
void ReportBlock(TTransferJob& Job, const char* Data, DWORD Count) {
  std::unique_lock<std::mutex> Guard(Job.Lock);
  Job.Block.assign(Data, Data + Count);
  Job.Received += Count;
  Job.BlockPending = true;
  SetEvent(Job.Wake.get());
  Job.Taken.wait(Guard, [&Job] { return !Job.BlockPending || Job.Aborted.load(); });
}

// The body is counted as it arrives: a block that would pass the limit is
// never handed on.
void ReceiveBody(TTransferJob& Job, HINTERNET Request) {
  std::vector<char> Buffer(65536);
  int64_t Counted = 0;
  while (!Job.Aborted.load()) {
    DWORD Available = 0;
    Check(WinHttpQueryDataAvailable(Request, &Available) != FALSE, Job.URL);
    if (Available == 0) return;
    DWORD Read = 0;
    const DWORD Wanted = Available < Buffer.size() ? Available : static_cast<DWORD>(Buffer.size());
    Check(WinHttpReadData(Request, Buffer.data(), Wanted, &Read) != FALSE, Job.URL);
    if (Read == 0) return;
    Counted += Read;
    if (Job.MaxBody > 0 && Counted > Job.MaxBody) {
      Job.TooLarge = true;
      return;
    }
    ReportBlock(Job, Buffer.data(), Read);
  }
}

void Perform(TTransferJob& Job) {
  UniqueInternet Session(WinHttpOpen(Job.Agent.c_str(),
                                     Job.Proxy.empty() ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY,
                                     Job.Proxy.empty() ? WINHTTP_NO_PROXY_NAME : Job.Proxy.c_str(),
                                     WINHTTP_NO_PROXY_BYPASS, 0));
  Check(Session.valid(), Job.URL);
  const int Timeout = Job.TimeoutMilliseconds;
  WinHttpSetTimeouts(Session.get(), Timeout, Timeout, Timeout, Timeout);

  std::wstring URL = Job.URL;
  for (int Hop = 0;; ++Hop) {
    const TUrlParts Parts = CrackURL(URL);
    UniqueInternet Connection(WinHttpConnect(Session.get(), Parts.Host.c_str(), Parts.Port, 0));
    Check(Connection.valid(), URL);
    UniqueInternet Request(WinHttpOpenRequest(Connection.get(), Job.Method, Parts.PathAndQuery.c_str(), L"HTTP/1.0",
                                              WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                              Parts.Secure ? WINHTTP_FLAG_SECURE : 0));
    Check(Request.valid(), URL);
    // Redirections are followed here, to count them and to refuse a step down from https.
    DWORD Features = WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(Request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &Features, sizeof(Features));
    WinHttpSetStatusCallback(Request.get(), SecureFailureCallback, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE, 0);
    Job.SecureFailure = 0;
    Exchange(Job, Request.get(), URL);

    DWORD Status = 0;
    DWORD Size = sizeof(Status);
    WinHttpQueryHeaders(Request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &Status, &Size, WINHTTP_NO_HEADER_INDEX);
    Job.Status = static_cast<int>(Status);
    Job.Reason = QueryText(Request.get(), WINHTTP_QUERY_STATUS_TEXT);
    int64_t Length = -1;
    if (!TryStrToInt64(QueryText(Request.get(), WINHTTP_QUERY_CONTENT_LENGTH), Length) || Length < 0) Length = -1;
    Job.Length = Length;

    if (IsRedirection(Job.Status)) {
      const std::wstring Location = QueryText(Request.get(), WINHTTP_QUERY_LOCATION);
      if (Location.empty() || Hop >= Job.MaxRedirections) return;  // the redirection is the answer
      // Only to another web address: never a file, a share or another scheme.
      const size_t Colon = Location.find(L':');
      if (Colon != std::wstring::npos && Location.find_first_of(L"/?#") > Colon &&
          !StartsWithNoCase(Location, L"http://") && !StartsWithNoCase(Location, L"https://"))
        throw EHttpClientError(ERROR_WINHTTP_REDIRECT_FAILED, URL);
      const std::wstring Next = ResolveLocation(URL, Location);
      if (Parts.Secure && !StartsWithNoCase(Next, L"https://"))
        throw EHttpClientError(ERROR_WINHTTP_REDIRECT_FAILED, URL);
      URL = Next;
      continue;
    }
    if (Job.Status >= 200 && Job.Status < 300 && Job.WantBody) {
      // A length past the limit is refused before a byte of it is read.
      if (Job.MaxBody > 0 && Job.Length > Job.MaxBody)
        Job.TooLarge = true;
      else
        ReceiveBody(Job, Request.get());
    }
    return;
  }
}

void RunTransfer(std::shared_ptr<TTransferJob> Job) noexcept {
  try {
    Perform(*Job);
  } catch (...) {
    Job->Error = std::current_exception();
  }
  {
    std::lock_guard<std::mutex> Guard(Job->Lock);
    Job->Done = true;
  }
  SetEvent(Job->Wake.get());
}

}  // namespace

EHttpClientError::EHttpClientError(unsigned long ErrorCode, const std::wstring& URL)
    : Exception(HttpClientErrorText(ErrorCode, URL)), FErrorCode(ErrorCode) {}

bool IsWebURLSyntax(const std::wstring& URL) {
  if (URL.empty() || URL.size() > 2083) return false;
  for (const wchar_t C : URL)
    if (C <= L' ' || C > L'~' || C == L'\\') return false;
  size_t HostStart = 0;
  if (StartsWithNoCase(URL, L"http://"))
    HostStart = 7;
  else if (StartsWithNoCase(URL, L"https://"))
    HostStart = 8;
  else
    return false;
  const size_t HostEnd = std::min(URL.find_first_of(L"/?#", HostStart), URL.size());
  const std::wstring Authority = URL.substr(HostStart, HostEnd - HostStart);
  if (Authority.empty() || Authority.find(L'@') != std::wstring::npos) return false;

  std::wstring Host = Authority;
  std::wstring Port;
  if (Authority.front() == L'[') {
    const size_t Close = Authority.find(L']');
    if (Close == std::wstring::npos || Close < 3) return false;
    for (size_t i = 1; i < Close; ++i)
      if (!iswxdigit(Authority[i]) && Authority[i] != L':' && Authority[i] != L'.') return false;
    Host = Authority.substr(0, Close + 1);
    if (Close + 1 < Authority.size()) {
      if (Authority[Close + 1] != L':') return false;
      Port = Authority.substr(Close + 2);
      if (Port.empty()) return false;
    }
  } else {
    const size_t Colon = Authority.find(L':');
    if (Colon != std::wstring::npos) {
      Host = Authority.substr(0, Colon);
      Port = Authority.substr(Colon + 1);
      if (Port.empty()) return false;
    }
    if (Host.empty() || Host.front() == L'.' || Host.find(L"..") != std::wstring::npos) return false;
    for (const wchar_t C : Host)
      if (!IsHostChar(C)) return false;
  }
  if (!Port.empty()) {
    if (Port.size() > 5) return false;
    for (const wchar_t C : Port)
      if (C < L'0' || C > L'9') return false;
    const int Number = std::stoi(Port);
    if (Number < 1 || Number > 65535) return false;
  }
  return true;
}

THttpCli::THttpCli(bool Secure)
    : FAgent(Secure ? L"Mozilla/4.0" : L"Mozilla/4.0 (compatible; ICS)"), FNoCache(!Secure) {}

void THttpCli::Get() { Request(L"GET"); }

void THttpCli::Head() { Request(L"HEAD"); }

void THttpCli::Abort() {
  if (!FRunningJob) return;
  {
    std::lock_guard<std::mutex> Guard(FRunningJob->Lock);
    FRunningJob->Aborted = true;
  }
  FRunningJob->Taken.notify_all();
}

void THttpCli::Close() { Abort(); }

void THttpCli::Request(const wchar_t* Method) {
  if (FRunningJob) throw Exception(L"The HTTP client is busy");
  const auto Job = std::make_shared<TTransferJob>();
  Job->URL = FURL;
  Job->Method = Method;
  Job->Agent = FAgent;
  Job->Headers = L"Accept: " + FAccept + L"\r\n";
  if (FNoCache) Job->Headers += L"Pragma: no-cache\r\nCache-Control: no-cache\r\n";
  if (!FProxy.empty()) Job->Proxy = FProxy + L":" + (FProxyPort.empty() ? std::wstring(L"80") : FProxyPort);
  Job->WantBody = std::wstring_view(Method) == L"GET";
  Job->MaxBody = FMaxBodyBytes;
  Job->MaxRedirections = MaxRedirections();
  Job->TimeoutMilliseconds = TimeoutSeconds() * 1000;
  Job->Wake.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  Win32Check(Job->Wake.valid(), L"HTTP request");
  FRcvdCount = 0;
  FStatusCode = 0;
  FReasonPhrase.clear();
  FContentLength = -1;

  FRunningJob = Job;
  std::thread Worker(RunTransfer, Job);
  // Whatever ends the wait (a stop, the time-out, an error of a progress
  // handler or of the write), the worker is told to stop. One that has
  // finished is joined; one still blocked in the platform is left to end by
  // itself at its time-out, with nothing of ours but its share of the job.
  struct TJoin {
    THttpCli& Client;
    std::thread& Worker;
    bool Finished = false;
    ~TJoin() {
      if (Finished) {
        Worker.join();
      } else {
        Client.Abort();
        Worker.detach();
      }
      Client.FRunningJob.reset();
    }
  };
  const ULONGLONG Timeout = static_cast<ULONGLONG>(TimeoutSeconds()) * 1000;
  bool TimedOut = false;
  {
    TJoin Join{*this, Worker};
    ULONGLONG LastByte = GetTickCount64();
    for (;;) {
      const HANDLE Wake = Job->Wake.get();
      MsgWaitForMultipleObjects(1, &Wake, FALSE, 100, QS_ALLINPUT);
      const ULONGLONG Before = GetTickCount64();
      if (OnWait)
        OnWait();
      else
        Application().ProcessMessages();
      // A box the window thread showed meanwhile held the worker up, not the server.
      const ULONGLONG Spent = GetTickCount64() - Before;
      if (Spent > 1000) LastByte += Spent;
      if (FStopFlag != nullptr && FStopFlag->load()) Abort();
      if (Job->Aborted.load()) break;
      bool Block = false;
      bool Done = false;
      int64_t Count = 0;
      std::vector<char> Data;
      {
        std::lock_guard<std::mutex> Guard(Job->Lock);
        Block = Job->BlockPending;
        Job->BlockPending = false;
        Data.swap(Job->Block);
        Count = Job->Received;
        Done = Job->Done;
      }
      if (Block) {
        Job->Taken.notify_all();
        LastByte = GetTickCount64();
        DWORD Written = 0;
        // A write that fails is an error, never a shorter file taken as the whole.
        if (FRcvdStream != nullptr &&
            (!WriteFile(FRcvdStream, Data.data(), static_cast<DWORD>(Data.size()), &Written, nullptr) ||
             Written != Data.size()))
          throw EOSError(GetLastError(), L"Writing the download");
        FRcvdCount = Count;
        if (OnDocData) OnDocData(this, Count);
      }
      if (Done) {
        Join.Finished = true;
        break;
      }
      if (GetTickCount64() - LastByte > Timeout) {
        TimedOut = true;
        break;
      }
    }
  }
  FStatusCode = Job->Status;
  FReasonPhrase = Job->Reason;
  FContentLength = Job->Length;
  if (TimedOut) throw EHttpClientError(ERROR_WINHTTP_TIMEOUT, FURL);
  if (Job->Aborted.load()) throw EHttpException(0, L"Aborted");
  if (Job->Error) std::rethrow_exception(Job->Error);
  if (Job->TooLarge) throw EHttpBodyTooLarge(FMaxBodyBytes, FURL);
  if (FStatusCode < 200 || FStatusCode >= 300) throw EHttpException(FStatusCode, FReasonPhrase);
}
