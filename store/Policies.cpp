#include "store/Policies.h"

#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "store/ItemNumber.h"
#include "store/MachinePolicies.h"

#include <algorithm>
#include <cwctype>
#include <iterator>

namespace {

constexpr TPolicyDefinition BaseDefinitions[] = {
    {L"Locations", TPolicyType::ptList},
    {L"Extensions", TPolicyType::ptMarks},
    {L"Keep", TPolicyType::ptList},
    {L"DisableUpdateCheck", TPolicyType::ptDword, 0, 1},
    {L"UpdateDescriptorURL", TPolicyType::ptText, 0, 0, TPolicyTextRule::trHttpsOrUnc},
    {DisableScheduleKey, TPolicyType::ptDword, 0, 1},
};

// "Options\OlderThanDays" is the value OlderThanDays of the subkey Options.
void SplitName(const std::wstring& Name, std::wstring& SubKey, std::wstring& Value) {
  const size_t Slash = Name.rfind(L'\\');
  SubKey = Slash == std::wstring::npos ? L"" : Name.substr(0, Slash);
  Value = Slash == std::wstring::npos ? Name : Name.substr(Slash + 1);
}

UniqueHKey OpenKey(HKEY Root, const std::wstring& Path) {
  UniqueHKey Key;
  if (RegOpenKeyExW(Root, Path.c_str(), 0, KEY_READ, Key.put()) != ERROR_SUCCESS) return {};
  return Key;
}

struct TRawValue {
  DWORD Type = REG_NONE;
  std::vector<BYTE> Data;
};

std::optional<TRawValue> QueryValue(HKEY Key, const std::wstring& Name) {
  TRawValue Value;
  DWORD Size = 0;
  if (RegQueryValueExW(Key, Name.c_str(), nullptr, &Value.Type, nullptr, &Size) != ERROR_SUCCESS) return std::nullopt;
  Value.Data.resize(Size);
  // A value rewritten between the two calls: read what is there now.
  for (int Attempt = 0; Attempt < 3; ++Attempt) {
    Size = static_cast<DWORD>(Value.Data.size());
    const LSTATUS Status = RegQueryValueExW(Key, Name.c_str(), nullptr, &Value.Type, Value.Data.data(), &Size);
    if (Status == ERROR_SUCCESS) {
      Value.Data.resize(Size);
      return Value;
    }
    if (Status != ERROR_MORE_DATA) return std::nullopt;
    Value.Data.resize(Size);
  }
  return std::nullopt;
}

// The text of a REG_SZ or REG_EXPAND_SZ value, up to its first zero.
std::wstring TextOf(const TRawValue& Value) {
  std::wstring Text(Value.Data.size() / sizeof(wchar_t), L'\0');
  std::copy_n(Value.Data.data(), Text.size() * sizeof(wchar_t), reinterpret_cast<BYTE*>(Text.data()));
  const size_t Zero = Text.find(L'\0');
  if (Zero != std::wstring::npos) Text.resize(Zero);
  return Text;
}

std::wstring Expanded(const std::wstring& Text) {
  const DWORD Needed = ExpandEnvironmentStringsW(Text.c_str(), nullptr, 0);
  if (Needed == 0) return Text;
  std::wstring Result(Needed, L'\0');
  const DWORD Written = ExpandEnvironmentStringsW(Text.c_str(), Result.data(), Needed);
  if (Written == 0 || Written > Needed) return Text;
  Result.resize(Written - 1);
  return Result;
}

bool IsHttpsOrUnc(const std::wstring& Text) {
  std::wstring Lower = Text;
  for (wchar_t& C : Lower)
    if (C >= L'A' && C <= L'Z') C = static_cast<wchar_t>(C - L'A' + L'a');
  if (Lower.rfind(L"https://", 0) == 0) {
    // A host after the scheme, and nothing that would end the address early.
    const std::wstring Rest = Lower.substr(8);
    return !Rest.empty() && Rest[0] != L'/' &&
           std::none_of(Rest.begin(), Rest.end(), [](wchar_t C) { return std::iswspace(C) != 0; });
  }
  // \\server\share\...: a file on a share of another computer, never a device or a drive.
  return IsNetworkSharePath(Text);
}

std::vector<std::pair<std::wstring, TRawValue>> SubkeyValues(HKEY Key) {
  std::vector<std::pair<std::wstring, TRawValue>> Values;
  for (DWORD Index = 0;; ++Index) {
    wchar_t Name[16384];
    DWORD NameLength = static_cast<DWORD>(std::size(Name));
    if (RegEnumValueW(Key, Index, Name, &NameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    const std::wstring ValueName(Name, NameLength);
    if (auto Value = QueryValue(Key, ValueName)) Values.emplace_back(ValueName, std::move(*Value));
  }
  return Values;
}

class TReader {
public:
  TReader(HKEY Root, const std::wstring& Key, std::vector<TPolicyIssue>* Ignored)
      : FWhere(PolicyKeyName(Root, Key)), FIgnored(Ignored) {
    FKey = OpenKey(Root, Key);
  }

  bool Open() const { return FKey.valid(); }

  std::optional<uint32_t> Dword(const TPolicyDefinition& Definition) {
    const auto Value = Single(Definition.Name);
    if (!Value) return std::nullopt;
    if (Value->Type != REG_DWORD || Value->Data.size() != sizeof(DWORD))
      return Ignore(Definition.Name, L"it is not a number (REG_DWORD)");
    DWORD Number = 0;
    std::copy_n(Value->Data.data(), sizeof(Number), reinterpret_cast<BYTE*>(&Number));
    if (Number < Definition.Min || Number > Definition.Max)
      return Ignore(Definition.Name, L"it is out of range (" + std::to_wstring(Definition.Min) + L" to " +
                                         std::to_wstring(Definition.Max) + L")");
    return Number;
  }

  std::optional<std::wstring> Text(const TPolicyDefinition& Definition) {
    const auto Value = Single(Definition.Name);
    if (!Value) return std::nullopt;
    if (Value->Type != REG_SZ) return Ignore(Definition.Name, L"it is not text (REG_SZ)");
    std::wstring Text = TextOf(*Value);
    if (Definition.Rule == TPolicyTextRule::trHttpsOrUnc && !IsHttpsOrUnc(Text))
      return Ignore(Definition.Name, L"it is neither an https address nor a network path (\\\\server\\share\\...)");
    return Text;
  }

  std::optional<std::vector<std::wstring>> List(const std::wstring& Name) {
    const UniqueHKey Key = Sub(Name);
    if (!Key) return std::nullopt;
    auto Values = SubkeyValues(Key.get());
    std::stable_sort(Values.begin(), Values.end(),
                     [](const auto& A, const auto& B) { return ItemNameLess(A.first, B.first); });
    std::vector<std::wstring> Entries;
    for (const auto& [ValueName, Value] : Values) {
      const std::wstring Path = Name + L"\\" + ValueName;
      if (Value.Type != REG_SZ && Value.Type != REG_EXPAND_SZ) {
        Ignore(Path, L"it is not text (REG_SZ)");
        continue;
      }
      const std::wstring Text = Value.Type == REG_EXPAND_SZ ? Expanded(TextOf(Value)) : TextOf(Value);
      if (Text.empty()) {
        Ignore(Path, L"it is empty");
        continue;
      }
      Entries.push_back(Text);
    }
    // A key with nothing usable in it sets nothing.
    if (Entries.empty()) return std::nullopt;
    return Entries;
  }

  std::optional<TPolicyMarks> Marks(const std::wstring& Name) {
    const UniqueHKey Key = Sub(Name);
    if (!Key) return std::nullopt;
    TPolicyMarks Marks;
    for (const auto& [ValueName, Value] : SubkeyValues(Key.get())) {
      const std::wstring Path = Name + L"\\" + ValueName;
      std::optional<bool> Mark;
      if (Value.Type == REG_DWORD && Value.Data.size() == sizeof(DWORD)) {
        DWORD Number = 0;
        std::copy_n(Value.Data.data(), sizeof(Number), reinterpret_cast<BYTE*>(&Number));
        if (Number <= 1) Mark = Number == 1;
      } else if (Value.Type == REG_SZ) {
        const std::wstring Text = TextOf(Value);
        if (Text == L"0" || Text == L"1") Mark = Text == L"1";
      }
      if (ValueName.empty()) {
        Ignore(Path, L"it has no name");
      } else if (!Mark) {
        Ignore(Path, L"it is neither 1 nor 0");
      } else {
        Marks.emplace_back(ValueName, *Mark);
      }
    }
    if (Marks.empty()) return std::nullopt;
    return Marks;
  }

private:
  std::optional<TRawValue> Single(const std::wstring& Name) {
    if (!FKey) return std::nullopt;
    std::wstring SubKey, Value;
    SplitName(Name, SubKey, Value);
    if (SubKey.empty()) return QueryValue(FKey.get(), Value);
    const UniqueHKey Key = OpenKey(FKey.get(), SubKey);
    if (!Key) return std::nullopt;
    return QueryValue(Key.get(), Value);
  }

  UniqueHKey Sub(const std::wstring& Name) const {
    if (!FKey) return {};
    return OpenKey(FKey.get(), Name);
  }

  std::nullopt_t Ignore(const std::wstring& Name, const std::wstring& Reason) {
    if (FIgnored != nullptr) FIgnored->push_back({FWhere, Name, Reason});
    return std::nullopt;
  }

  UniqueHKey FKey;
  std::wstring FWhere;
  std::vector<TPolicyIssue>* FIgnored;
};

}  // namespace

std::span<const TPolicyDefinition> PolicyDefinitions() { return BaseDefinitions; }

std::wstring PolicyKeyName(HKEY Root, const std::wstring& Key) {
  const wchar_t* Hive = Root == HKEY_LOCAL_MACHINE ? L"HKEY_LOCAL_MACHINE"
                        : Root == HKEY_CURRENT_USER ? L"HKEY_CURRENT_USER"
                        : Root == HKEY_USERS        ? L"HKEY_USERS"
                                                    : L"(key)";
  return Key.empty() ? std::wstring(Hive) : std::wstring(Hive) + L"\\" + Key;
}

namespace {

std::function<void()>& OwnPoliciesHandler() {
  static std::function<void()> Handler;
  return Handler;
}

}  // namespace

bool ReachesOwnPolicies(const TPolicyRoots& Roots) {
  const TPolicyRoots Own;
  const auto SameKey = [](const std::wstring& A, const std::wstring& B) {
    return CompareStringOrdinal(A.c_str(), static_cast<int>(A.size()), B.c_str(), static_cast<int>(B.size()), TRUE) ==
           CSTR_EQUAL;
  };
  return Roots.MachineRoot == HKEY_LOCAL_MACHINE || Roots.UserRoot == HKEY_LOCAL_MACHINE ||
         (Roots.UserRoot == Own.UserRoot && SameKey(Roots.UserKey, Own.UserKey)) ||
         (Roots.MachineRoot == Own.UserRoot && SameKey(Roots.MachineKey, Own.UserKey));
}

TOwnPoliciesGuard::TOwnPoliciesGuard(std::function<void()> OnReach) : FPrevious(std::move(OwnPoliciesHandler())) {
  OwnPoliciesHandler() = std::move(OnReach);
}

TOwnPoliciesGuard::~TOwnPoliciesGuard() { OwnPoliciesHandler() = std::move(FPrevious); }

TPolicies TPolicies::Read(const TPolicyRoots& Roots, std::span<const TPolicyDefinition> Definitions) {
  TPolicies Result;
  if (OwnPoliciesHandler() && ReachesOwnPolicies(Roots)) {
    OwnPoliciesHandler()();
    return Result;
  }
  TReader Machine(Roots.MachineRoot, Roots.MachineKey, &Result.FIgnored);
  TReader User(Roots.UserRoot, Roots.UserKey, &Result.FIgnored);
  if (!Machine.Open() && !User.Open()) return Result;
  for (const TPolicyDefinition& Definition : Definitions) {
    TValue Value;
    Value.Name = Definition.Name;
    bool Set = false;
    // The machine's first: a value it sets is never looked for in the user's.
    for (TReader* Level : {&Machine, &User}) {
      switch (Definition.Type) {
        case TPolicyType::ptDword:
          if (const auto Number = Level->Dword(Definition)) {
            Value.Dword = *Number;
            Set = true;
          }
          break;
        case TPolicyType::ptText:
          if (auto Text = Level->Text(Definition)) {
            Value.Text = std::move(*Text);
            Set = true;
          }
          break;
        case TPolicyType::ptList:
          if (auto List = Level->List(Definition.Name)) {
            Value.List = std::move(*List);
            Set = true;
          }
          break;
        case TPolicyType::ptMarks:
          if (auto Marks = Level->Marks(Definition.Name)) {
            Value.Marks = std::move(*Marks);
            Set = true;
          }
          break;
      }
      if (Set) break;
    }
    if (Set) Result.FValues.push_back(std::move(Value));
  }
  return Result;
}

const TPolicies::TValue* TPolicies::Find(const std::wstring& Name) const {
  for (const TValue& Value : FValues)
    if (Value.Name == Name) return &Value;
  return nullptr;
}

bool TPolicies::IsSet(const std::wstring& Name) const { return Find(Name) != nullptr; }

std::optional<uint32_t> TPolicies::Dword(const std::wstring& Name) const {
  const TValue* Value = Find(Name);
  return Value != nullptr ? std::optional<uint32_t>(Value->Dword) : std::nullopt;
}

std::optional<std::wstring> TPolicies::Text(const std::wstring& Name) const {
  const TValue* Value = Find(Name);
  return Value != nullptr ? std::optional<std::wstring>(Value->Text) : std::nullopt;
}

std::optional<std::vector<std::wstring>> TPolicies::List(const std::wstring& Name) const {
  const TValue* Value = Find(Name);
  return Value != nullptr ? std::optional<std::vector<std::wstring>>(Value->List) : std::nullopt;
}

std::optional<TPolicyMarks> TPolicies::Marks(const std::wstring& Name) const {
  const TValue* Value = Find(Name);
  return Value != nullptr ? std::optional<TPolicyMarks>(Value->Marks) : std::nullopt;
}

