#pragma once
// The options an administrator sets by policy: the values of the subkey
// "Options" of the policy key, by the names, kinds and ranges of the option
// table, and the extension list. A policy value is put over the user's
// option and its control is greyed; what is saved is always the user's own.

#include "options/OptionsRecord.h"
#include "store/Policies.h"

#include <span>
#include <string>
#include <vector>

// Every policy value the program reads: those of store/Policies.h and one per
// option of OptionTable ("Options\<Name>"; a Boolean as 0 or 1, a number in
// the option's range, a text). The administrative templates offer the same.
std::span<const TPolicyDefinition> ProgramPolicyDefinitions();

// Which options a policy sets.
struct TOptionLocks {
  std::vector<std::wstring> Names;  // option names of OptionTable
  bool Extensions = false;
  bool Any() const { return Extensions || !Names.empty(); }
  bool Locked(const std::wstring& Name) const;
};

// Puts every option a policy sets over Options; says which those are.
TOptionLocks ApplyOptionPolicies(const TPolicies& Policies, TOptions& Options);

// Edited with every locked option taken back from Own (the user's own, as
// stored): what may be saved without writing a policy over the user's setting.
TOptions WithoutLockedOptions(const TOptions& Edited, const TOptions& Own, const TOptionLocks& Locks);
