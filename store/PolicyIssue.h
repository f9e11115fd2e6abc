#pragma once
// A policy value the program could not use: the wrong type or out of range.
// It is ignored as if it were not set, and said once per unattended run in
// the event log.

#include <string>

struct TPolicyIssue {
  std::wstring Where;   // the policy key, with its hive: "HKEY_LOCAL_MACHINE\Software\Policies\..."
  std::wstring Name;    // the value's path under that key: "DisableUpdateCheck", "Locations\Item3"
  std::wstring Reason;  // "it is not a number (REG_DWORD)", ...

  bool operator==(const TPolicyIssue&) const = default;
};
