#pragma once
// The base of every error the program raises: a message text, as the user
// will read it in the application's error display.

#include <exception>
#include <string>

class Exception : public std::exception {
public:
  explicit Exception(std::wstring Message);

  const std::wstring& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FNarrow.c_str(); }

private:
  std::wstring FMessage;
  std::string FNarrow;  // UTF-8 copy for what()
};

// A text that does not convert to the number, date or Boolean asked for.
class EConvertError : public Exception {
public:
  using Exception::Exception;
};

// An index outside a list or collection.
class EListError : public Exception {
public:
  using Exception::Exception;
  static EListError IndexOutOfBounds(int Index);
};

// A resource (bitmap, icon, dialog template) that is not in the module.
class EResNotFound : public Exception {
public:
  using Exception::Exception;
};

// Ends the current command without a message: the error display stays silent.
class EAbort : public Exception {
public:
  EAbort() : Exception(L"Operation aborted") {}
};

// A registry read or write refused by the system, or data of another type
// than the one asked for.
class ERegistryException : public Exception {
public:
  using Exception::Exception;
};

// A system call that failed; the message is the system's text for the code.
class EOSError : public Exception {
public:
  EOSError(unsigned long ErrorCode, const std::wstring& Context);
  unsigned long ErrorCode() const noexcept { return FErrorCode; }

private:
  unsigned long FErrorCode;
};

// Raises EOSError for GetLastError() when Condition is false.
void Win32Check(bool Condition, const std::wstring& Context);

// The system's message text for an error code, without the trailing line break.
std::wstring SysErrorMessage(unsigned long ErrorCode);
