#include "options/OptionPolicies.h"

#include <algorithm>
#include <iterator>

namespace {

std::wstring PolicyName(const TOptionDescriptor& Option) { return std::wstring(OptionsSubKey) + L"\\" + Option.Name; }

}  // namespace

std::span<const TPolicyDefinition> ProgramPolicyDefinitions() {
  // The names must outlive the table that points at them: both are made once.
  static const std::vector<std::wstring> Names = [] {
    std::vector<std::wstring> Result;
    for (const TOptionDescriptor& Option : OptionTable) Result.push_back(PolicyName(Option));
    return Result;
  }();
  static const std::vector<TPolicyDefinition> Definitions = [] {
    std::vector<TPolicyDefinition> Result(PolicyDefinitions().begin(), PolicyDefinitions().end());
    for (size_t i = 0; i < std::size(OptionTable); ++i) {
      const TOptionDescriptor& Option = OptionTable[i];
      TPolicyDefinition Definition{Names[i].c_str(), TPolicyType::ptDword};
      switch (Option.Kind) {
        case TOptionKind::okBoolean:
          Definition.Max = 1;
          break;
        case TOptionKind::okInteger:
          Definition.Min = static_cast<uint32_t>(Option.Min);
          Definition.Max = static_cast<uint32_t>(Option.Max);
          break;
        case TOptionKind::okText:
          Definition.Type = TPolicyType::ptText;
          break;
      }
      Result.push_back(Definition);
    }
    return Result;
  }();
  return Definitions;
}

bool TOptionLocks::Locked(const std::wstring& Name) const {
  return std::find(Names.begin(), Names.end(), Name) != Names.end();
}

TOptionLocks ApplyOptionPolicies(const TPolicies& Policies, TOptions& Options) {
  TOptionLocks Locks;
  for (const TOptionDescriptor& Option : OptionTable) {
    const std::wstring Name = PolicyName(Option);
    bool Set = false;
    switch (Option.Kind) {
      case TOptionKind::okBoolean:
        if (const auto Value = Policies.Dword(Name)) {
          Options.*Option.Flag = *Value != 0;
          Set = true;
        }
        break;
      case TOptionKind::okInteger:
        if (const auto Value = Policies.Dword(Name)) {
          Options.*Option.Number = static_cast<int32_t>(*Value);
          Set = true;
        }
        break;
      case TOptionKind::okText:
        if (const auto Value = Policies.Text(Name)) {
          Options.*Option.Text = *Value;
          Set = true;
        }
        break;
    }
    if (Set) Locks.Names.emplace_back(Option.Name);
  }
  if (const auto Marks = Policies.Marks(ExtensionsSubKey)) {
    Options.Extensions.clear();
    for (const auto& [Pattern, Checked] : *Marks) Options.Extensions.push_back({Pattern, Checked});
    Locks.Extensions = true;
  }
  return Locks;
}

TOptions WithoutLockedOptions(const TOptions& Edited, const TOptions& Own, const TOptionLocks& Locks) {
  TOptions Result = Edited;
  for (const TOptionDescriptor& Option : OptionTable) {
    if (!Locks.Locked(Option.Name)) continue;
    if (Option.Flag != nullptr) Result.*Option.Flag = Own.*Option.Flag;
    if (Option.Number != nullptr) Result.*Option.Number = Own.*Option.Number;
    if (Option.Text != nullptr) Result.*Option.Text = Own.*Option.Text;
  }
  if (Locks.Extensions) Result.Extensions = Own.Extensions;
  return Result;
}
