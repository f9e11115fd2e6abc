#pragma once
// Policies an administrator sets (Group Policy, or an MDM reading the same
// administrative templates) under Software\Policies\Brenlow\Marrowby of the
// machine and of the user. A policy value overrides the user's setting and
// cannot be changed in the program; where both hives set one, the machine's
// wins. A value of the wrong type or out of range is ignored as if it were not
// there (and said once per unattended run): never a crash, never a wider
// delete.
//
// The layout mirrors the user's own key: "Locations" is a subkey of folders
// (Item1, Item2, ... as the templates write them; the numbers give the order),
// "Extensions" a subkey of patterns and their marks (1 checked, 0 not), the
// options are the values of the subkey "Options" by their stored names.

#include "store/PolicyIssue.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

enum class TPolicyType {
  ptDword,  // REG_DWORD within Min..Max
  ptText,   // REG_SZ
  ptList,   // a subkey of REG_SZ (or REG_EXPAND_SZ, expanded) entries in the order of their numbers
  ptMarks,  // a subkey of values named by their text, each 1 or 0 (REG_DWORD or REG_SZ)
};

// What a text policy must be beyond being text.
enum class TPolicyTextRule {
  trAny,
  trHttpsOrUnc,  // an https address or a network path: where an update descriptor may come from
};

struct TPolicyDefinition {
  const wchar_t* Name;  // the path under the policy key: "DisableUpdateCheck", "Options\OlderThanDays"
  TPolicyType Type;
  uint32_t Min = 0;  // ptDword: the accepted range
  uint32_t Max = 0;
  TPolicyTextRule Rule = TPolicyTextRule::trAny;
};

// 1: the user cannot set or change the task that cleans on a schedule (the
// Options dialog's Schedule page is greyed); a task already there still runs.
inline constexpr wchar_t DisableScheduleKey[] = L"DisableSchedule";

// The policy values of the folder list, the patterns and the update. The
// options add theirs (options/OptionPolicies.h: ProgramPolicyDefinitions is
// every value the program reads, which the administrative templates in
// policies/ offer with the same types and ranges; a test holds them against it).
std::span<const TPolicyDefinition> PolicyDefinitions();

// Where policies are read: the machine's and the user's policy key. Tests
// give private keys.
struct TPolicyRoots {
  HKEY MachineRoot = HKEY_LOCAL_MACHINE;
  std::wstring MachineKey = L"Software\\Policies\\Brenlow\\Marrowby";
  HKEY UserRoot = HKEY_CURRENT_USER;
  std::wstring UserKey = L"Software\\Policies\\Brenlow\\Marrowby";
};

using TPolicyMarks = std::vector<std::pair<std::wstring, bool>>;

// The policies in force, read once; none when nothing is set (or nothing can be read).
class TPolicies {
public:
  TPolicies() = default;
  // Reads the values of Definitions (all of them share one reading: type,
  // range, machine over user).
  static TPolicies Read(const TPolicyRoots& Roots,
                        std::span<const TPolicyDefinition> Definitions = PolicyDefinitions());

  std::optional<uint32_t> Dword(const std::wstring& Name) const;
  std::optional<std::wstring> Text(const std::wstring& Name) const;
  std::optional<std::vector<std::wstring>> List(const std::wstring& Name) const;
  std::optional<TPolicyMarks> Marks(const std::wstring& Name) const;
  bool IsSet(const std::wstring& Name) const;

  // The values that were set but could not be used, in the order they were met.
  const std::vector<TPolicyIssue>& Ignored() const { return FIgnored; }

private:
  struct TValue {
    std::wstring Name;
    uint32_t Dword = 0;
    std::wstring Text;
    std::vector<std::wstring> List;
    TPolicyMarks Marks;
  };
  const TValue* Find(const std::wstring& Name) const;
  std::vector<TValue> FValues;
  std::vector<TPolicyIssue> FIgnored;
};


// "HKEY_LOCAL_MACHINE\Software\Policies\...": the key as the event log names it.
std::wstring PolicyKeyName(HKEY Root, const std::wstring& Key);
