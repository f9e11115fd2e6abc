#include "app/UpdatePolicy.h"

#include "update/VKRAppUpdate.h"

#include <algorithm>

namespace {

// Set, but not of a type or value the program can use (said in event 1003).
bool IsUnusable(const TPolicies& Policies, const wchar_t* Name) {
  return std::any_of(Policies.Ignored().begin(), Policies.Ignored().end(),
                     [Name](const TPolicyIssue& Issue) { return Issue.Name == Name; });
}

}  // namespace

TUpdatePolicy UpdatePolicyOf(const TPolicies& Policies) {
  TUpdatePolicy Result;
  const auto Mirror = Policies.Text(L"UpdateDescriptorURL");
  // The store's reading lets through what looks right; the update decides what it fetches.
  const bool Usable = Mirror && ClassifySource(*Mirror, {true, false}) != TSourceKind::skInvalid;
  if (Usable) Result.DescriptorURL = *Mirror;
  if (Policies.Dword(L"DisableUpdateCheck").value_or(0) != 0 || IsUnusable(Policies, L"DisableUpdateCheck"))
    Result.Check = TUpdateCheckPolicy::ucDisabled;
  else if (IsUnusable(Policies, L"UpdateDescriptorURL") || (Mirror && !Usable))
    Result.Check = TUpdateCheckPolicy::ucInvalidAddress;
  return Result;
}
