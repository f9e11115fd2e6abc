#pragma once
// The HTTP client of the update windows, on WinHTTP. A request runs on a
// worker thread while the calling (GUI) thread keeps dispatching window
// messages, writes the body and raises the progress event itself, so windows
// repaint, timers fire and a Cancel button reacts during a transfer.
// Certificates are checked and old protocols refused as the platform does by
// default. A body is counted while it arrives and refused past its limit; a
// server that sends nothing for the time-out is given up.

#include "framework/Exception.h"
#include "framework/Object.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct TTransferJob;

// A response with an error status, or a request that was aborted (status 0).
class EHttpException : public Exception {
public:
  EHttpException(int StatusCode, std::wstring ReasonPhrase);
  int ErrorCode() const noexcept { return FStatusCode; }
  const std::wstring& ReasonPhrase() const noexcept { return FReasonPhrase; }

private:
  int FStatusCode;
  std::wstring FReasonPhrase;
};

// Any other failure of a request: name resolution, connection, time-out, TLS.
// Its message says in words what happened to the request for URL.
class EHttpClientError : public Exception {
public:
  EHttpClientError(unsigned long ErrorCode, const std::wstring& URL);
  unsigned long ErrorCode() const noexcept { return FErrorCode; }

private:
  unsigned long FErrorCode;
};

// A body longer than the limit the caller set (announced or counted while it
// arrived): the request was ended at the limit.
class EHttpBodyTooLarge : public Exception {
public:
  EHttpBodyTooLarge(int64_t Limit, const std::wstring& URL);
  int64_t Limit() const noexcept { return FLimit; }

private:
  int64_t FLimit;
};

// True for an absolute http or https URL that a request can be made of: a
// host of letters, digits, "-", "_" and "." (or a bracketed IPv6 address),
// an optional port 1..65535, no user name, and only printable ASCII without
// blanks or backslashes, 2,083 characters at most.
bool IsWebURLSyntax(const std::wstring& URL);

// Called after each received block with the number of body bytes received so far.
using TDocDataEvent = std::function<void(TObject* Sender, int64_t RcvdCount)>;

class THttpCli : public TObject {
public:
  // Secure: the HTTPS client of the update windows (its agent, no no-cache
  // headers); otherwise the plain one. Both speak http and https.
  explicit THttpCli(bool Secure);

  const std::wstring& URL() const { return FURL; }
  void SetURL(const std::wstring& Value) { FURL = Value; }
  const std::wstring& Proxy() const { return FProxy; }
  void SetProxy(const std::wstring& Value) { FProxy = Value; }
  const std::wstring& ProxyPort() const { return FProxyPort; }
  void SetProxyPort(const std::wstring& Value) { FProxyPort = Value; }
  const std::wstring& Agent() const { return FAgent; }
  const std::wstring& Accept() const { return FAccept; }
  bool NoCache() const { return FNoCache; }
  int MaxRedirections() const { return 5; }
  // How long a request may go without a byte from the server (30 seconds).
  int TimeoutSeconds() const { return FTimeoutSeconds; }
  void SetTimeoutSeconds(int Value) { FTimeoutSeconds = Value; }
  // The most body bytes a GET takes; 0 for no limit. Past it the request
  // ends with EHttpBodyTooLarge, and no byte beyond it reaches the stream.
  int64_t MaxBodyBytes() const { return FMaxBodyBytes; }
  void SetMaxBodyBytes(int64_t Value) { FMaxBodyBytes = Value; }
  // A flag that ends a running request as Abort does when it becomes true
  // (a long command's stop: Cancel, Esc, closing its window).
  void SetStopFlag(const std::atomic<bool>* Value) { FStopFlag = Value; }

  // The file the body of a GET is written to; the caller owns it.
  HANDLE RcvdStream() const { return FRcvdStream; }
  void SetRcvdStream(HANDLE Value) { FRcvdStream = Value; }
  int64_t RcvdCount() const { return FRcvdCount; }

  // Of the last response.
  int StatusCode() const { return FStatusCode; }
  const std::wstring& ReasonPhrase() const { return FReasonPhrase; }
  // The announced Content-Length of the last response; -1 when none was announced.
  int64_t ContentLength() const { return FContentLength; }

  TDocDataEvent OnDocData;
  // Called in place of the client's own dispatch of window messages, at
  // least ten times a second while a request waits (a long command's
  // KeepResponsive, which also shows its progress strip after a moment).
  std::function<void()> OnWait;

  // Both return when the request has ended; an error status raises EHttpException.
  void Get();
  void Head();
  // Ends a running request: it raises EHttpException with status 0 at once;
  // a worker still blocked in the platform ends by itself at its time-out.
  void Abort();
  // Closes the connection; a running request ends as by Abort.
  void Close();

private:
  void Request(const wchar_t* Method);

  std::wstring FURL;
  std::wstring FProxy;
  std::wstring FProxyPort = L"80";
  std::wstring FAgent;
  std::wstring FAccept = L"image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  bool FNoCache;
  HANDLE FRcvdStream = nullptr;
  int64_t FRcvdCount = 0;
  int FStatusCode = 0;
  std::wstring FReasonPhrase;
  int64_t FContentLength = -1;
  int FTimeoutSeconds = 30;
  int64_t FMaxBodyBytes = 0;
  const std::atomic<bool>* FStopFlag = nullptr;
  std::shared_ptr<TTransferJob> FRunningJob;  // the request under way
};
