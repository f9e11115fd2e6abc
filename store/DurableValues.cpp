#include "store/DurableValues.h"

#include "framework/Exception.h"
#include "framework/Handle.h"
#include "framework/UserSid.h"

#include <algorithm>

namespace {

std::wstring JournalPath(const std::wstring& KeyPath) { return KeyPath + L".saving"; }

// The journal's default value says that every value of the new set is in it.
const wchar_t* const CompleteMark = L"complete";

[[noreturn]] void Refused(LSTATUS Status, const std::wstring& What) {
  wchar_t* Text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 static_cast<DWORD>(Status), 0, reinterpret_cast<wchar_t*>(&Text), 0, nullptr);
  std::wstring Reason = Text != nullptr ? Text : L"error " + std::to_wstring(Status);
  if (Text != nullptr) LocalFree(Text);
  while (!Reason.empty() && (Reason.back() == L'\n' || Reason.back() == L'\r' || Reason.back() == L' '))
    Reason.pop_back();
  throw ERegistryException(What + L": " + Reason);
}

void Check(LSTATUS Status, const std::wstring& What) {
  if (Status != ERROR_SUCCESS) Refused(Status, What);
}

UniqueHKey CreateKey(HKEY Root, const std::wstring& Path) {
  UniqueHKey Key;
  Check(RegCreateKeyExW(Root, Path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                        Key.put(), nullptr),
        L"Cannot create the registry key \"" + Path + L"\"");
  return Key;
}

// Null when the key is not there.
UniqueHKey OpenKey(HKEY Root, const std::wstring& Path, REGSAM Access) {
  UniqueHKey Key;
  const LSTATUS Status = RegOpenKeyExW(Root, Path.c_str(), 0, Access, Key.put());
  if (Status == ERROR_FILE_NOT_FOUND) return {};
  Check(Status, L"Cannot open the registry key \"" + Path + L"\"");
  return Key;
}

// Every named value of Key; the default value is the journal's mark, not data.
std::vector<TStoredValue> ReadValues(HKEY Key, const std::wstring& Path) {
  DWORD Count = 0, LongestName = 0, LongestData = 0;
  Check(RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &Count, &LongestName,
                         &LongestData, nullptr, nullptr),
        L"Cannot read the registry key \"" + Path + L"\"");
  std::vector<TStoredValue> Values;
  std::wstring Name(LongestName + 1, L'\0');
  std::vector<uint8_t> Data(LongestData + 2);
  for (DWORD i = 0; i < Count; ++i) {
    DWORD NameLength = static_cast<DWORD>(Name.size());
    DWORD Size = static_cast<DWORD>(Data.size());
    DWORD Type = REG_NONE;
    const LSTATUS Status = RegEnumValueW(Key, i, Name.data(), &NameLength, nullptr, &Type, Data.data(), &Size);
    if (Status == ERROR_NO_MORE_ITEMS) break;
    Check(Status, L"Cannot read the registry key \"" + Path + L"\"");
    if (NameLength == 0) continue;
    TStoredValue Value;
    Value.Name.assign(Name.data(), NameLength);
    Value.Type = Type;
    Value.Data.assign(Data.begin(), Data.begin() + Size);
    Values.push_back(std::move(Value));
  }
  return Values;
}

bool SameName(const std::wstring& A, const std::wstring& B) {
  // Value names are compared as the registry compares them: without case.
  return CompareStringOrdinal(A.c_str(), static_cast<int>(A.size()), B.c_str(), static_cast<int>(B.size()), TRUE) ==
         CSTR_EQUAL;
}

void SetValue(HKEY Key, const TStoredValue& Value, const std::wstring& Path) {
  Check(RegSetValueExW(Key, Value.Name.c_str(), 0, Value.Type, Value.Data.data(),
                       static_cast<DWORD>(Value.Data.size())),
        L"Cannot write \"" + Value.Name + L"\" under the registry key \"" + Path + L"\"");
}

// Overwrites in place, then removes what the new set lacks: at no moment does
// the target hold fewer entries than the smaller of the two sets.
void Apply(HKEY Root, const std::wstring& KeyPath, const std::vector<TStoredValue>& Values) {
  UniqueHKey Target = CreateKey(Root, KeyPath);
  for (const TStoredValue& Value : Values) SetValue(Target.get(), Value, KeyPath);
  for (const TStoredValue& Old : ReadValues(Target.get(), KeyPath)) {
    const bool Kept = std::any_of(Values.begin(), Values.end(),
                                  [&Old](const TStoredValue& New) { return SameName(New.Name, Old.Name); });
    if (!Kept) {
      const LSTATUS Status = RegDeleteValueW(Target.get(), Old.Name.c_str());
      if (Status != ERROR_FILE_NOT_FOUND)
        Check(Status, L"Cannot remove \"" + Old.Name + L"\" under the registry key \"" + KeyPath + L"\"");
    }
  }
  Target.reset();
  // An empty set is no key at all, as it always was; a key with subkeys stays.
  if (Values.empty()) RegDeleteKeyW(Root, KeyPath.c_str());
}

// Holds the turn at one key while alive. Without a mutex at all (the system
// refused to make one) the save goes ahead, as it did before there were turns.
class TKeyTurn {
public:
  TKeyTurn(HKEY Root, const std::wstring& KeyPath, DWORD Wait)
      : FMutex(CreateMutexW(nullptr, FALSE, KeyTurnName(Root, KeyPath).c_str())) {
    if (!FMutex) {
      FHeld = true;
      return;
    }
    const DWORD Result = WaitForSingleObject(FMutex.get(), Wait);
    // Abandoned: its holder ended mid-save; what it left is finished or dropped as usual.
    FOwned = Result == WAIT_OBJECT_0 || Result == WAIT_ABANDONED;
    FHeld = FOwned;
  }
  ~TKeyTurn() {
    if (FOwned) ReleaseMutex(FMutex.get());
  }
  TKeyTurn(const TKeyTurn&) = delete;
  TKeyTurn& operator=(const TKeyTurn&) = delete;
  bool Held() const { return FHeld; }

private:
  UniqueKernelObject FMutex;
  bool FOwned = false;
  bool FHeld = false;
};

void DropJournal(HKEY Root, const std::wstring& Journal) {
  // The mark goes first: a journal without it is never applied, whatever is left of it.
  if (UniqueHKey Key = OpenKey(Root, Journal, KEY_SET_VALUE)) {
    const LSTATUS Status = RegDeleteValueW(Key.get(), nullptr);
    if (Status != ERROR_FILE_NOT_FOUND) Check(Status, L"Cannot remove the registry key \"" + Journal + L"\"");
  } else {
    return;
  }
  const LSTATUS Status = RegDeleteTreeW(Root, Journal.c_str());
  if (Status != ERROR_FILE_NOT_FOUND) Check(Status, L"Cannot remove the registry key \"" + Journal + L"\"");
  RegDeleteKeyW(Root, Journal.c_str());
}

}  // namespace

TStoredValue TStoredValue::Text(const std::wstring& Name, const std::wstring& Value) {
  TStoredValue Result;
  Result.Name = Name;
  Result.Type = REG_SZ;
  const auto* Bytes = reinterpret_cast<const uint8_t*>(Value.c_str());
  Result.Data.assign(Bytes, Bytes + (Value.size() + 1) * sizeof(wchar_t));
  return Result;
}

TStoredValue TStoredValue::Boolean(const std::wstring& Name, bool Value) {
  TStoredValue Result;
  Result.Name = Name;
  Result.Type = REG_DWORD;
  const DWORD Number = Value ? 1 : 0;
  const auto* Bytes = reinterpret_cast<const uint8_t*>(&Number);
  Result.Data.assign(Bytes, Bytes + sizeof(Number));
  return Result;
}

std::wstring KeyTurnName(HKEY Root, const std::wstring& KeyPath) {
  // FNV-1a over the root and the path in lower case: a key path may be longer than a name may be.
  uint64_t Hash = 14695981039346656037ull;
  const auto Add = [&Hash](uint64_t Value) {
    Hash ^= Value;
    Hash *= 1099511628211ull;
  };
  Add(static_cast<uint64_t>(reinterpret_cast<ULONG_PTR>(Root)));
  std::wstring Lower = KeyPath;
  if (!Lower.empty()) CharLowerBuffW(Lower.data(), static_cast<DWORD>(Lower.size()));
  for (const wchar_t C : Lower) Add(static_cast<uint64_t>(C));
  wchar_t Hex[17] = L"";
  for (int i = 0; i < 16; ++i) Hex[i] = L"0123456789abcdef"[(Hash >> (60 - 4 * i)) & 0xF];
  const std::wstring Sid = CurrentUserSid();
  return L"Global\\Brenlow.Marrowby.Save." + (Sid.empty() ? std::wstring() : Sid + L".") + Hex;
}

void ReplaceKeyValues(HKEY Root, const std::wstring& KeyPath, const std::vector<TStoredValue>& Values, DWORD Wait) {
  const TKeyTurn Turn(Root, KeyPath, Wait);
  if (!Turn.Held())
    throw ERegistryException(L"Cannot save under the registry key \"" + KeyPath +
                             L"\": another Marrowby is saving there. Try again in a moment.");
  const std::wstring Journal = JournalPath(KeyPath);
  // A journal left incomplete is dropped: the target still holds the old set.
  DropJournal(Root, Journal);
  {
    UniqueHKey Key = CreateKey(Root, Journal);
    for (const TStoredValue& Value : Values) SetValue(Key.get(), Value, Journal);
    const TStoredValue Mark = TStoredValue::Text(L"", CompleteMark);
    SetValue(Key.get(), Mark, Journal);
  }
  Apply(Root, KeyPath, Values);
  DropJournal(Root, Journal);
}

void FinishKeyValues(HKEY Root, const std::wstring& KeyPath, DWORD Wait) {
  const TKeyTurn Turn(Root, KeyPath, Wait);
  // Its writer is alive and still at it: the journal is its own, not a leftover.
  if (!Turn.Held()) return;
  const std::wstring Journal = JournalPath(KeyPath);
  UniqueHKey Key = OpenKey(Root, Journal, KEY_READ);
  if (!Key) return;
  DWORD Type = REG_NONE;
  wchar_t Mark[16] = L"";
  DWORD Size = sizeof(Mark) - sizeof(wchar_t);
  const bool Complete = RegQueryValueExW(Key.get(), nullptr, nullptr, &Type, reinterpret_cast<BYTE*>(Mark), &Size) ==
                            ERROR_SUCCESS &&
                        Type == REG_SZ && std::wstring(Mark) == CompleteMark;
  if (Complete) Apply(Root, KeyPath, ReadValues(Key.get(), Journal));
  Key.reset();
  DropJournal(Root, Journal);
}
