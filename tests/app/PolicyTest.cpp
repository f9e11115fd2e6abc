#include <doctest.h>

#include "app/AutoRun.h"
#include "app/QuenloUnit1.h"
#include "app/RunEvents.h"
#include "framework/BrowseFolder.h"
#include "framework/Dialogs.h"
#include "framework/EventLog.h"
#include "framework/Text.h"
#include "options/QuenloUnit2.h"
#include "store/Policies.h"
#include "support/DropFiles.h"
#include "support/ModalAnswer.h"
#include "support/PrivatePolicies.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"
#include "support/RecordedBoxes.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// The machine's and the user's policy keys, both private keys of the test.
struct TPolicyFixture {
  TRegistryFixture Registry;
  TTempDir Temp;
  TPolicyRoots Roots() const { return PrivatePolicyRoots(Registry); }
  std::wstring MachineName() const { return L"HKEY_CURRENT_USER\\" + Registry.Sub(L"MachinePolicies"); }
  std::wstring UserName() const { return L"HKEY_CURRENT_USER\\" + Registry.Sub(L"UserPolicies"); }
  // The user's own settings live beside the policies, as under Software\Brenlow.
  std::wstring SettingsKey() const { return Registry.Sub(L"Settings"); }
};

std::string Said(const std::vector<TPolicyIssue>& Issues) {
  std::string Text;
  for (const TPolicyIssue& Issue : Issues) Text += WideToUtf8(Issue.Name + L": " + Issue.Reason) + "\n";
  return Text;
}

}  // namespace

TEST_CASE("a policy is read from the machine first, then the user; what cannot be used is ignored as if absent") {
  enum TLevel { Machine, User };
  struct TWrite {
    TLevel Level;
    const wchar_t* SubKey;
    const wchar_t* Name;
    DWORD Type;
    std::wstring Text;  // REG_SZ, REG_EXPAND_SZ
    DWORD Number;       // REG_DWORD
  };
  struct TCase {
    const char* Name;
    std::vector<TWrite> Writes;
    std::optional<uint32_t> DisableUpdateCheck;
    std::optional<std::wstring> DescriptorURL;
    std::vector<const wchar_t*> Ignored;  // "Name|hive" of each value ignored, in order
  };
  const TCase Cases[] = {
      {"nothing set", {}, std::nullopt, std::nullopt, {}},
      {"the machine's value", {{Machine, L"", L"DisableUpdateCheck", REG_DWORD, L"", 1}}, 1u, std::nullopt, {}},
      {"the user's value", {{User, L"", L"DisableUpdateCheck", REG_DWORD, L"", 1}}, 1u, std::nullopt, {}},
      {"the machine's wins over the user's",
       {{Machine, L"", L"DisableUpdateCheck", REG_DWORD, L"", 0}, {User, L"", L"DisableUpdateCheck", REG_DWORD, L"", 1}},
       0u, std::nullopt, {}},
      {"a machine value of the wrong type leaves the user's",
       {{Machine, L"", L"DisableUpdateCheck", REG_SZ, L"1", 0}, {User, L"", L"DisableUpdateCheck", REG_DWORD, L"", 1}},
       1u, std::nullopt, {L"DisableUpdateCheck|machine"}},
      {"out of range", {{Machine, L"", L"DisableUpdateCheck", REG_DWORD, L"", 2}}, std::nullopt, std::nullopt,
       {L"DisableUpdateCheck|machine"}},
      {"a four-byte binary is no number", {{User, L"", L"DisableUpdateCheck", REG_BINARY, L"", 1}}, std::nullopt,
       std::nullopt, {L"DisableUpdateCheck|user"}},
      {"an https mirror",
       {{Machine, L"", L"UpdateDescriptorURL", REG_SZ, L"HTTPS://mirror.corp.example/marrowby/updates.txt", 0}},
       std::nullopt, L"HTTPS://mirror.corp.example/marrowby/updates.txt", {}},
      {"a network path", {{User, L"", L"UpdateDescriptorURL", REG_SZ, L"\\\\files\\updates\\updates.txt", 0}},
       std::nullopt, L"\\\\files\\updates\\updates.txt", {}},
      {"plain http is refused", {{Machine, L"", L"UpdateDescriptorURL", REG_SZ, L"http://mirror.example/u.txt", 0}},
       std::nullopt, std::nullopt, {L"UpdateDescriptorURL|machine"}},
      {"a local path is refused", {{Machine, L"", L"UpdateDescriptorURL", REG_SZ, L"C:\\updates\\u.txt", 0}},
       std::nullopt, std::nullopt, {L"UpdateDescriptorURL|machine"}},
      {"a server without a share is refused", {{Machine, L"", L"UpdateDescriptorURL", REG_SZ, L"\\\\files", 0}},
       std::nullopt, std::nullopt, {L"UpdateDescriptorURL|machine"}},
      {"a device path is refused", {{Machine, L"", L"UpdateDescriptorURL", REG_SZ, L"\\\\?\\C:\\u.txt", 0}},
       std::nullopt, std::nullopt, {L"UpdateDescriptorURL|machine"}},
      {"a device is refused", {{User, L"", L"UpdateDescriptorURL", REG_SZ, L"\\\\.\\PhysicalDrive0", 0}},
       std::nullopt, std::nullopt, {L"UpdateDescriptorURL|user"}},
      {"https without a host is refused", {{Machine, L"", L"UpdateDescriptorURL", REG_SZ, L"https:///u.txt", 0}},
       std::nullopt, std::nullopt, {L"UpdateDescriptorURL|machine"}},
      {"a refused machine mirror leaves the user's",
       {{Machine, L"", L"UpdateDescriptorURL", REG_DWORD, L"", 1},
        {User, L"", L"UpdateDescriptorURL", REG_SZ, L"https://mirror.example/u.txt", 0}},
       std::nullopt, L"https://mirror.example/u.txt", {L"UpdateDescriptorURL|machine"}},
      {"a value in another subkey is no policy", {{Machine, L"Options", L"DisableUpdateCheck", REG_DWORD, L"", 1}},
       std::nullopt, std::nullopt, {}},
  };
  for (const TCase& Case : Cases) {
    SUBCASE(Case.Name) {
      TPolicyFixture F;
      for (const TWrite& Write : Case.Writes) {
        const std::wstring Key = std::wstring(Write.Level == Machine ? L"MachinePolicies" : L"UserPolicies") +
                                 (*Write.SubKey != 0 ? std::wstring(L"\\") + Write.SubKey : L"");
        if (Write.Type == REG_DWORD || Write.Type == REG_BINARY)
          F.Registry.WriteRaw(Key, Write.Name, Write.Type, &Write.Number, sizeof(Write.Number));
        else
          F.Registry.WriteString(Key, Write.Name, Write.Text, Write.Type);
      }
      const TPolicies Policies = TPolicies::Read(F.Roots());
      CHECK(Policies.Dword(L"DisableUpdateCheck") == Case.DisableUpdateCheck);
      CHECK(Policies.Text(L"UpdateDescriptorURL") == Case.DescriptorURL);
      CAPTURE(Said(Policies.Ignored()));
      REQUIRE(Policies.Ignored().size() == Case.Ignored.size());
      for (size_t i = 0; i < Case.Ignored.size(); ++i) {
        const std::wstring Expected = Case.Ignored[i];
        const size_t Bar = Expected.find(L'|');
        CHECK(Policies.Ignored()[i].Name == Expected.substr(0, Bar));
        CHECK(Policies.Ignored()[i].Where == (Expected.substr(Bar + 1) == L"machine" ? F.MachineName() : F.UserName()));
        CHECK_FALSE(Policies.Ignored()[i].Reason.empty());
      }
    }
  }
}

TEST_CASE("a policy list keeps the order of its numbers and leaves out what is not text") {
  TPolicyFixture F;
  F.Registry.WriteString(L"UserPolicies\\Locations", L"Item10", L"C:\\ten");
  F.Registry.WriteString(L"UserPolicies\\Locations", L"Item2", L"C:\\two");
  F.Registry.WriteDword(L"UserPolicies\\Locations", L"Item3", 3);
  F.Registry.WriteString(L"UserPolicies\\Locations", L"Item1", L"%SystemRoot%\\Temp", REG_EXPAND_SZ);
  F.Registry.WriteString(L"UserPolicies\\Locations", L"Item4", L"");
  wchar_t Windows[MAX_PATH] = {};
  REQUIRE(GetEnvironmentVariableW(L"SystemRoot", Windows, MAX_PATH) > 0);

  const TPolicies InForce = TPolicies::Read(F.Roots());
  const std::vector<TPolicyIssue>& Ignored = InForce.Ignored();
  const auto List = InForce.List(L"Locations");
  REQUIRE(List.has_value());
  CHECK(*List == std::vector<std::wstring>{std::wstring(Windows) + L"\\Temp", L"C:\\two", L"C:\\ten"});
  CAPTURE(Said(Ignored));
  REQUIRE(Ignored.size() == 2);
  CHECK(Ignored[0].Name == L"Locations\\Item3");
  CHECK(Ignored[1].Name == L"Locations\\Item4");

  SUBCASE("the machine's list replaces the user's whole") {
    F.Registry.WriteString(L"MachinePolicies\\Locations", L"Item1", L"D:\\machine");
    CHECK(TPolicies::Read(F.Roots()).List(L"Locations") == std::vector<std::wstring>{L"D:\\machine"});
  }
  SUBCASE("a list with nothing usable sets nothing") {
    F.Registry.WriteDword(L"MachinePolicies\\Locations", L"Item1", 1);
    F.Registry.CreateKey(L"MachinePolicies\\Extensions");
    const TPolicies Policies = TPolicies::Read(F.Roots());
    CHECK(Policies.List(L"Locations") == List);
    CHECK_FALSE(Policies.IsSet(L"Extensions"));
  }
  SUBCASE("none at all") { CHECK_FALSE(TPolicies::Read(F.Roots()).List(L"Keep").has_value()); }
}

TEST_CASE("policy patterns take 1 or 0, as a number or as text; any other mark leaves its pattern out") {
  TPolicyFixture F;
  F.Registry.WriteDword(L"MachinePolicies\\Extensions", L"*.tmp", 1);
  F.Registry.WriteString(L"MachinePolicies\\Extensions", L"*.log", L"0");
  F.Registry.WriteString(L"MachinePolicies\\Extensions", L"*.bak", L"1");
  F.Registry.WriteDword(L"MachinePolicies\\Extensions", L"*.old", 5);
  F.Registry.WriteString(L"MachinePolicies\\Extensions", L"*.dmp", L"yes");
  const TPolicies Policies = TPolicies::Read(F.Roots());
  const auto Marks = Policies.Marks(L"Extensions");
  REQUIRE(Marks.has_value());
  TPolicyMarks Sorted = *Marks;
  std::sort(Sorted.begin(), Sorted.end());
  CHECK(Sorted == TPolicyMarks{{L"*.bak", true}, {L"*.log", false}, {L"*.tmp", true}});
  CAPTURE(Said(Policies.Ignored()));
  CHECK(Policies.Ignored().size() == 2);
}

TEST_CASE("a folder list set by policy replaces the user's, refuses Add, Remove and drops saying why, and is not saved") {
  TPolicyFixture F;
  const std::wstring Managed1 = F.Temp.MakeDir(L"managed one");
  const std::wstring Managed2 = F.Temp.MakeDir(L"managed two");
  const std::wstring Own = F.Temp.MakeDir(L"own");
  const std::wstring Dropped = F.Temp.MakeDir(L"dropped");
  F.Registry.WriteString(L"Settings\\Locations", L"Item0", Own);
  F.Registry.WriteString(L"MachinePolicies\\Locations", L"Item1", Managed1);
  F.Registry.WriteString(L"MachinePolicies\\Locations", L"Item2", Managed2);
  F.Registry.WriteDword(L"Settings\\Options", L"ScanAtStartup", 0);
  std::vector<std::wstring> Boxes;
  TMessageDialogHook Hook([&Boxes](const TMessageDialogRequest& Request) {
    Boxes.push_back(Request.Text);
    return mrOk;
  });
  int Browsed = 0;
  TBrowseFolderHook Browse([&](const TBrowseFolderRequest&, std::wstring& Folder) {
    ++Browsed;
    Folder = Dropped;
    return true;
  });

  TForm1Options Options;
  Options.RegistryKey = F.SettingsKey();
  Options.SingleInstance = false;
  Options.PolicyRoots = F.Roots();
  auto Form1 = std::make_unique<TForm1>(Options);
  const auto Rows = [&Form1] {
    std::vector<std::wstring> Captions;
    for (int i = 0; i < Form1->VKRListView1.Count(); ++i) Captions.push_back(Form1->VKRListView1.Item(i).Caption());
    return Captions;
  };
  const std::vector<std::wstring> Expected{Managed1, Managed2};
  REQUIRE(Rows() == Expected);
  CHECK(Form1->FolderListManaged());
  CHECK_FALSE(Form1->AddFolderToolButton.Enabled());
  CHECK_FALSE(Form1->AddFolder1.Enabled());
  CHECK(Form1->AddFolderToolButton.Hint().find(L"administrator") != std::wstring::npos);

  SUBCASE("Add Folder") {
    Form1->AddFolderToolButtonClick(Form1.get());
    CHECK(Browsed == 0);
  }
  SUBCASE("Remove Folder, and the selection does not bring it back") {
    Form1->VKRListView1.Item(0).SetSelected(true);
    Form1->VKRListView1Click(Form1.get());
    CHECK_FALSE(Form1->RemoveFolderToolButton.Enabled());
    CHECK_FALSE(Form1->RemoveFolder1.Enabled());
    Form1->RemoveFolder2Click(Form1.get());
  }
  SUBCASE("a drop") { CHECK(SendDrop(Form1->Handle(), MakeDrop({Dropped}))); }

  CHECK(Rows() == Expected);
  REQUIRE(Boxes.size() == 1);
  CHECK(Boxes[0] == FolderListManagedText);
  // A close keeps the user's own list as it was.
  Form1->Close();
  Form1.reset();
  CHECK(F.Registry.ValueNames(L"Settings\\Locations") == std::vector<std::wstring>{L"Item0"});
  CHECK(F.Registry.ReadRaw(L"Settings\\Locations", L"Item0")->AsString() == Own);
}

TEST_CASE("update policies: no check when the administrator manages updates; a mirror for the descriptor") {
  TPolicyFixture F;
  F.Temp.MakeDir(L"one");
  F.Registry.WriteString(L"Settings\\Locations", L"Item0", F.Temp / L"one");
  F.Registry.WriteDword(L"Settings\\Options", L"ScanAtStartup", 0);
  F.Registry.WriteDword(L"UserPolicies", L"DisableUpdateCheck", 1);
  F.Registry.WriteString(L"MachinePolicies", L"UpdateDescriptorURL", L"\\\\files\\marrowby\\updates.txt");
  TRecordedBoxes Recorded;
  const std::vector<TMessageDialogRequest>& Boxes = Recorded.Requests;
  TForm1Options Options;
  Options.RegistryKey = F.SettingsKey();
  Options.SingleInstance = false;
  Options.PolicyRoots = F.Roots();
  TForm1 Form1(Options);
  CHECK(Form1.VKRAppUpdate1.UpdateFileURL() == L"\\\\files\\marrowby\\updates.txt");
  Form1.CheckforUpdates1Click(&Form1);
  REQUIRE(Boxes.size() == 1);
  CHECK(Boxes[0].Text == UpdatesManagedText);
  CHECK(Boxes[0].Type == TMsgDlgType::mtInformation);
}

TEST_CASE("update policies fail closed: each setting with what Check for Updates does and the events it leaves") {
  enum TLevel { Machine, User };
  struct TWrite {
    TLevel Level;
    const wchar_t* Name;
    DWORD Type;
    std::wstring Text;
    DWORD Number;
  };
  const std::wstring Maker = L"https://updates.brenlow.example/brenlow/BrenlowUpdates.txt";
  struct TCase {
    const char* What;
    std::vector<TWrite> Writes;
    const wchar_t* Said;  // the box of Check for Updates; nullptr: the check runs
    std::wstring From;    // where a check that runs fetches the descriptor
    bool FromPolicy;
    std::vector<const wchar_t*> Events;  // the names of the values event 1003 reports
  };
  const TCase Cases[] = {
      {"nothing set", {}, nullptr, Maker, false, {}},
      {"DisableUpdateCheck 0", {{Machine, L"DisableUpdateCheck", REG_DWORD, L"", 0}}, nullptr, Maker, false, {}},
      {"DisableUpdateCheck 1", {{User, L"DisableUpdateCheck", REG_DWORD, L"", 1}}, UpdatesManagedText, L"", false, {}},
      {"DisableUpdateCheck 2", {{Machine, L"DisableUpdateCheck", REG_DWORD, L"", 2}}, UpdatesManagedText, L"", false,
       {L"DisableUpdateCheck"}},
      {"DisableUpdateCheck as the text 1", {{Machine, L"DisableUpdateCheck", REG_SZ, L"1", 0}}, UpdatesManagedText, L"",
       false, {L"DisableUpdateCheck"}},
      {"DisableUpdateCheck as the text 0", {{User, L"DisableUpdateCheck", REG_SZ, L"0", 0}}, UpdatesManagedText, L"",
       false, {L"DisableUpdateCheck"}},
      {"DisableUpdateCheck as binary", {{User, L"DisableUpdateCheck", REG_BINARY, L"", 0}}, UpdatesManagedText, L"",
       false, {L"DisableUpdateCheck"}},
      {"the machine's 0 over the user's 1",
       {{Machine, L"DisableUpdateCheck", REG_DWORD, L"", 0}, {User, L"DisableUpdateCheck", REG_DWORD, L"", 1}},
       nullptr, Maker, false, {}},
      {"an https mirror", {{Machine, L"UpdateDescriptorURL", REG_SZ, L"https://mirror.corp.example/u.txt", 0}},
       nullptr, L"https://mirror.corp.example/u.txt", true, {}},
      {"a mirror on a share", {{Machine, L"UpdateDescriptorURL", REG_SZ, L"\\\\files\\marrowby\\u.txt", 0}},
       nullptr, L"\\\\files\\marrowby\\u.txt", true, {}},
      {"an http mirror", {{Machine, L"UpdateDescriptorURL", REG_SZ, L"http://mirror.corp.example/u.txt", 0}},
       UpdateAddressInvalidText, L"", false, {L"UpdateDescriptorURL"}},
      {"a file address", {{Machine, L"UpdateDescriptorURL", REG_SZ, L"file:///C:/u.txt", 0}},
       UpdateAddressInvalidText, L"", false, {L"UpdateDescriptorURL"}},
      {"garbage", {{User, L"UpdateDescriptorURL", REG_SZ, L"not an address", 0}}, UpdateAddressInvalidText, L"", false,
       {L"UpdateDescriptorURL"}},
      {"a device path", {{Machine, L"UpdateDescriptorURL", REG_SZ, L"\\\\?\\C:\\u.txt", 0}},
       UpdateAddressInvalidText, L"", false, {L"UpdateDescriptorURL"}},
      {"a device", {{Machine, L"UpdateDescriptorURL", REG_SZ, L"\\\\.\\PhysicalDrive0", 0}},
       UpdateAddressInvalidText, L"", false, {L"UpdateDescriptorURL"}},
      {"a local drive's share", {{Machine, L"UpdateDescriptorURL", REG_SZ, L"\\\\localhost\\C$\\u.txt", 0}},
       UpdateAddressInvalidText, L"", false, {L"UpdateDescriptorURL"}},
      {"an https address the update cannot use",
       {{Machine, L"UpdateDescriptorURL", REG_SZ, L"https://mirror.example:99999/u.txt", 0}}, UpdateAddressInvalidText,
       L"", false, {}},
      {"a number", {{Machine, L"UpdateDescriptorURL", REG_DWORD, L"", 1}}, UpdateAddressInvalidText, L"", false,
       {L"UpdateDescriptorURL"}},
      {"a bad machine mirror over a good user one",
       {{Machine, L"UpdateDescriptorURL", REG_DWORD, L"", 1},
        {User, L"UpdateDescriptorURL", REG_SZ, L"https://mirror.example/u.txt", 0}},
       UpdateAddressInvalidText, L"", false, {L"UpdateDescriptorURL"}},
      {"turned off, and a bad mirror",
       {{Machine, L"DisableUpdateCheck", REG_DWORD, L"", 1}, {Machine, L"UpdateDescriptorURL", REG_SZ, L"http://x/u", 0}},
       UpdatesManagedText, L"", false, {L"UpdateDescriptorURL"}},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.What);
    TPolicyFixture F;
    F.Registry.WriteDword(L"Settings\\Options", L"ScanAtStartup", 0);
    for (const TWrite& Write : Case.Writes) {
      const wchar_t* Key = Write.Level == Machine ? L"MachinePolicies" : L"UserPolicies";
      if (Write.Type == REG_DWORD || Write.Type == REG_BINARY)
        F.Registry.WriteRaw(Key, Write.Name, Write.Type, &Write.Number, sizeof(Write.Number));
      else
        F.Registry.WriteString(Key, Write.Name, Write.Text, Write.Type);
    }
    TRecordedBoxes Recorded;
    TForm1Options Options;
    Options.RegistryKey = F.SettingsKey();
    Options.SingleInstance = false;
    Options.PolicyRoots = F.Roots();
    TForm1 Form1(Options);
    if (Case.Said != nullptr) {
      Form1.CheckforUpdates1Click(&Form1);
      REQUIRE(Recorded.Requests.size() == 1);
      CHECK(Recorded.Requests[0].Text == Case.Said);
    } else {
      // The check itself would ask a server: where it would ask is what the policy decides.
      CHECK(Form1.VKRAppUpdate1.UpdateFileURL() == Case.From);
      CHECK(Form1.VKRAppUpdate1.DescriptorFromPolicy() == Case.FromPolicy);
    }
    std::vector<std::wstring> Events;
    for (const TEventReport& Report : RunEventReports(TRunRecord{}, Form1.Policies().Ignored()))
      if (Report.EventId == evPolicyIgnored) Events.push_back(Report.Strings[0]);
    CHECK(Events == std::vector<std::wstring>(Case.Events.begin(), Case.Events.end()));
  }
}

TEST_CASE("every option can be set by policy: in force, greyed, said on its page, never saved over the user's own") {
  struct TCase {
    const wchar_t* Name;
    DWORD Type;
    uint32_t Number;
    const wchar_t* Text;
    // The option in force, and the control that must be greyed.
    std::function<bool(const TOptions&)> InForce;
    std::function<const TControl&(TForm2&)> Control;
    std::function<const TControl&(TForm2&)> Line;
  };
  using F2 = TForm2;
  const auto Prefs = [](F2& F) -> const TControl& { return F.ManagedPreferencesLabel; };
  const auto Advanced = [](F2& F) -> const TControl& { return F.ManagedAdvancedLabel; };
  const auto Update = [](F2& F) -> const TControl& { return F.ManagedUpdateLabel; };
  // The user's own stored options are the opposite of each policy value.
  const TCase Cases[] = {
      {L"ScanAtStartup", REG_DWORD, 1, nullptr, [](const TOptions& O) { return O.ScanAtStartup; },
       [](F2& F) -> const TControl& { return F.ScanAtStartupCheckBox; }, Prefs},
      {L"Recursive", REG_DWORD, 0, nullptr, [](const TOptions& O) { return !O.Recursive; },
       [](F2& F) -> const TControl& { return F.RecursiveCheckBox; }, Prefs},
      {L"PromptBeforeDeletingFiles", REG_DWORD, 0, nullptr, [](const TOptions& O) { return !O.PromptBeforeDeletingFiles; },
       [](F2& F) -> const TControl& { return F.PromptBeforeDeletingFilesCheckBox; }, Prefs},
      {L"UseRecycleBinWhenDeletingFiles", REG_DWORD, 0, nullptr,
       [](const TOptions& O) { return !O.UseRecycleBinWhenDeletingFiles; },
       [](F2& F) -> const TControl& { return F.UseRecycleBinWhenDeletingFilesCheckBox; }, Prefs},
      {L"ShowStatisticsAfterDeletingFiles", REG_DWORD, 0, nullptr,
       [](const TOptions& O) { return !O.ShowStatisticsAfterDeletingFiles; },
       [](F2& F) -> const TControl& { return F.ShowStatisticsAfterDeletingFilesCheckBox; }, Prefs},
      {L"LimitSearchDepth", REG_DWORD, 1, nullptr, [](const TOptions& O) { return O.LimitSearchDepth; },
       [](F2& F) -> const TControl& { return F.LimitSearchDepthCheckBox; }, Advanced},
      {L"MaxSearchDepth", REG_DWORD, 3, nullptr, [](const TOptions& O) { return O.MaxSearchDepth == 3; },
       [](F2& F) -> const TControl& { return F.MaxSearchDepthEdit; }, Advanced},
      {L"OnlyOlderThan", REG_DWORD, 1, nullptr, [](const TOptions& O) { return O.OnlyOlderThan; },
       [](F2& F) -> const TControl& { return F.OnlyOlderThanCheckBox; }, Advanced},
      {L"OlderThanDays", REG_DWORD, 30, nullptr, [](const TOptions& O) { return O.OlderThanDays == 30; },
       [](F2& F) -> const TControl& { return F.OlderThanDaysEdit; }, Advanced},
      {L"RestrictSearch", REG_DWORD, 1, nullptr, [](const TOptions& O) { return O.RestrictSearch; },
       [](F2& F) -> const TControl& { return F.RestrictSearchCheckBox; }, Advanced},
      {L"UseProxyServer", REG_DWORD, 1, nullptr, [](const TOptions& O) { return O.UseProxyServer; },
       [](F2& F) -> const TControl& { return F.UseProxyServerCheckBox; }, Update},
      {L"ProxyAddress", REG_SZ, 0, L"proxy.corp.example", [](const TOptions& O) { return O.ProxyAddress == L"proxy.corp.example"; },
       [](F2& F) -> const TControl& { return F.ProxyAddressEdit; }, Update},
      {L"ProxyPort", REG_SZ, 0, L"3128", [](const TOptions& O) { return O.ProxyPort == L"3128"; },
       [](F2& F) -> const TControl& { return F.ProxyPortEdit; }, Update},
  };
  for (const TCase& Case : Cases) {
    SUBCASE(WideToUtf8(Case.Name).c_str()) {
      TPolicyFixture F;
      F.Temp.MakeDir(L"one");
      F.Registry.WriteString(L"Settings\\Locations", L"Item0", F.Temp / L"one");
      // The user's own: every Boolean the opposite of the policy, the rest plain.
      const std::vector<std::pair<const wchar_t*, uint32_t>> Own = {
          {L"ScanAtStartup", 0}, {L"Recursive", 1}, {L"PromptBeforeDeletingFiles", 1},
          {L"UseRecycleBinWhenDeletingFiles", 1}, {L"ShowStatisticsAfterDeletingFiles", 1}, {L"LimitSearchDepth", 0},
          {L"MaxSearchDepth", 8}, {L"OnlyOlderThan", 0}, {L"OlderThanDays", 7}, {L"RestrictSearch", 0},
          {L"UseProxyServer", 0}};
      for (const auto& [Name, Value] : Own) F.Registry.WriteDword(L"Settings\\Options", Name, Value);
      F.Registry.WriteString(L"Settings\\Options", L"ProxyAddress", L"own.example");
      F.Registry.WriteString(L"Settings\\Options", L"ProxyPort", L"80");
      // Set in the user's policy key: a policy of either hive locks.
      if (Case.Type == REG_DWORD)
        F.Registry.WriteDword(L"UserPolicies\\Options", Case.Name, Case.Number);
      else
        F.Registry.WriteString(L"UserPolicies\\Options", Case.Name, Case.Text);
      // The dependent controls are enabled by their check box: a lock alone must grey them.
      F.Registry.WriteDword(L"Settings\\Options", L"LimitSearchDepth", std::wstring(Case.Name) == L"MaxSearchDepth");
      F.Registry.WriteDword(L"Settings\\Options", L"OnlyOlderThan", std::wstring(Case.Name) == L"OlderThanDays");
      F.Registry.WriteDword(L"Settings\\Options", L"UseProxyServer", std::wstring(Case.Name).rfind(L"Proxy", 0) == 0);
      const auto StoredBefore = F.Registry.ReadRaw(L"Settings\\Options", Case.Name);

      TForm1Options Options;
      Options.RegistryKey = F.SettingsKey();
      Options.SingleInstance = false;
      Options.PolicyRoots = F.Roots();
      TForm1 Form1(Options);
      CHECK(Case.InForce(Form1.Options()));
      CHECK(Form1.OptionLocks().Names == std::vector<std::wstring>{Case.Name});
      TForm2& Form2 = Form1.OptionsDialog();
      CHECK_FALSE(Case.Control(Form2).Enabled());
      CHECK(Case.Line(Form2).Text() == L"Some settings are managed by your administrator.");
      // Only the page that holds it says so.
      int Lines = 0;
      for (const TControl* Line : {static_cast<const TControl*>(&Form2.ManagedPreferencesLabel),
                                   static_cast<const TControl*>(&Form2.ManagedAdvancedLabel),
                                   static_cast<const TControl*>(&Form2.ManagedUpdateLabel)})
        Lines += Line->Text().empty() ? 0 : 1;
      CHECK(Lines == 1);
      // The line shows with its page and hides with it.
      const std::pair<const TControl*, const TTabSheet*> Pages[] = {
          {&Form2.ManagedPreferencesLabel, &Form2.PreferencesTabSheet},
          {&Form2.ManagedAdvancedLabel, &Form2.AdvancedTabSheet},
          {&Form2.ManagedUpdateLabel, &Form2.UpdateTabSheet}};
      for (const auto& [Line, Page] : Pages) {
        if (Line != &Case.Line(Form2)) continue;
        Form2.OptionsPageControl.SetActivePage(*Page);
        CHECK(Line->Visible());
        Form2.OptionsPageControl.SetActivePage(Page == &Form2.PreferencesTabSheet ? Form2.UpdateTabSheet
                                                                                   : Form2.PreferencesTabSheet);
        CHECK_FALSE(Line->Visible());
      }

      // OK in the dialog saves the options, the user's own value for the locked one.
      TModalAnswer Answer(Form2, [&Form2](TForm&) { SendMessageW(Form2.OKButton.Handle(), BM_CLICK, 0, 0); });
      Form1.OptionsToolButtonClick(&Form1);
      CHECK(Answer.Answered());
      CHECK(Case.InForce(Form1.Options()));
      const auto StoredAfter = F.Registry.ReadRaw(L"Settings\\Options", Case.Name);
      REQUIRE(StoredBefore.has_value());
      REQUIRE(StoredAfter.has_value());
      CHECK(StoredAfter->Data == StoredBefore->Data);
    }
  }
}

TEST_CASE("an option policy of the wrong type or out of range leaves the user's own option in force and free") {
  TPolicyFixture F;
  F.Temp.MakeDir(L"one");
  F.Registry.WriteString(L"Settings\\Locations", L"Item0", F.Temp / L"one");
  F.Registry.WriteDword(L"Settings\\Options", L"ScanAtStartup", 0);
  F.Registry.WriteDword(L"Settings\\Options", L"OlderThanDays", 9);
  F.Registry.WriteDword(L"Settings\\Options", L"MaxSearchDepth", 5);
  F.Registry.WriteDword(L"MachinePolicies\\Options", L"OlderThanDays", 0);       // below 1
  F.Registry.WriteDword(L"MachinePolicies\\Options", L"MaxSearchDepth", 129);    // above 128
  F.Registry.WriteString(L"MachinePolicies\\Options", L"UseRecycleBinWhenDeletingFiles", L"0");  // text, not a number
  F.Registry.WriteDword(L"MachinePolicies\\Options", L"ProxyPort", 8080);        // a number, not text
  TForm1Options Options;
  Options.RegistryKey = F.SettingsKey();
  Options.SingleInstance = false;
  Options.PolicyRoots = F.Roots();
  TForm1 Form1(Options);
  CHECK(Form1.Options().OlderThanDays == 9);
  CHECK(Form1.Options().MaxSearchDepth == 5);
  CHECK(Form1.Options().UseRecycleBinWhenDeletingFiles);
  CHECK_FALSE(Form1.OptionLocks().Any());
  CAPTURE(Said(Form1.Policies().Ignored()));
  CHECK(Form1.Policies().Ignored().size() == 4);
  TForm2& Form2 = Form1.OptionsDialog();
  CHECK(Form2.UseRecycleBinWhenDeletingFilesCheckBox.Enabled());
  CHECK(Form2.ManagedPreferencesLabel.Text().empty());
  CHECK(Form2.ManagedAdvancedLabel.Text().empty());
  CHECK(Form2.ManagedUpdateLabel.Text().empty());
}

TEST_CASE("patterns set by policy replace the user's, are greyed, and are never saved over them") {
  TPolicyFixture F;
  F.Temp.MakeDir(L"one");
  F.Registry.WriteString(L"Settings\\Locations", L"Item0", F.Temp / L"one");
  F.Registry.WriteDword(L"Settings\\Options", L"ScanAtStartup", 0);
  F.Registry.WriteDword(L"Settings\\Options", L"RestrictSearch", 1);
  F.Registry.WriteDword(L"Settings\\Extensions", L"*.own", 1);
  F.Registry.WriteString(L"UserPolicies\\Extensions", L"*.tmp", L"1");
  F.Registry.WriteString(L"UserPolicies\\Extensions", L"*.log", L"0");
  TForm1Options Options;
  Options.RegistryKey = F.SettingsKey();
  Options.SingleInstance = false;
  Options.PolicyRoots = F.Roots();
  TForm1 Form1(Options);
  CHECK(Form1.VKRFileFind1.FilePattern() == L"*.tmp");
  TForm2& Form2 = Form1.OptionsDialog();
  REQUIRE(Form2.ExtensionsCheckListBox.Count() == 2);
  TPolicyMarks Shown;
  for (int i = 0; i < 2; ++i)
    Shown.emplace_back(Form2.ExtensionsCheckListBox.Item(i), Form2.ExtensionsCheckListBox.Checked(i));
  std::sort(Shown.begin(), Shown.end());
  CHECK(Shown == TPolicyMarks{{L"*.log", false}, {L"*.tmp", true}});
  CHECK_FALSE(Form2.ExtensionsCheckListBox.Enabled());
  CHECK(Form2.ManagedAdvancedLabel.Text() == L"Some settings are managed by your administrator.");

  // In the dialog: the restriction off and on again does not free the list;
  // Check All changes nothing; OK keeps the user's own patterns stored.
  TModalAnswer Answer(Form2, [&Form2](TForm&) {
    Form2.RestrictSearchCheckBox.SetChecked(false);
    Form2.RestrictSearchCheckBox.SetChecked(true);
    CHECK_FALSE(Form2.ExtensionsCheckListBox.Enabled());
    Form2.Checkall1Click(&Form2);
    SendMessageW(Form2.OKButton.Handle(), BM_CLICK, 0, 0);
  });
  Form1.OptionsToolButtonClick(&Form1);
  CHECK(Answer.Answered());
  CHECK(Form1.VKRFileFind1.FilePattern() == L"*.tmp");
  CHECK(F.Registry.ValueNames(L"Settings\\Extensions") == std::vector<std::wstring>{L"*.own"});
}

TEST_CASE("an unattended run cleans the folder list set by policy and says each ignored policy value once") {
  TPolicyFixture F;
  F.Temp.MakeFile(L"managed\\a.tmp", 10);
  F.Temp.MakeFile(L"own\\b.tmp", 10);
  F.Registry.WriteString(L"Settings\\Locations", L"Item0", F.Temp / L"own");
  F.Registry.WriteDword(L"Settings\\Options", L"UseRecycleBinWhenDeletingFiles", 0);
  F.Registry.WriteString(L"MachinePolicies\\Locations", L"Item1", F.Temp / L"managed");
  F.Registry.WriteDword(L"MachinePolicies\\Locations", L"Item2", 7);
  F.Registry.WriteString(L"UserPolicies", L"DisableUpdateCheck", L"yes");
  std::vector<TEventReport> Events;
  TEventLogHook Hook([&Events](const TEventReport& Report) {
    Events.push_back(Report);
    return true;
  });
  TAutoRunSettings Settings;
  Settings.RegistryKey = F.SettingsKey();
  Settings.InstanceName = L"Local\\Brenlow.Marrowby.PolicyTest." + std::to_wstring(GetCurrentProcessId());
  Settings.LogPath = F.Temp / L"Marrowby.log";
  Settings.PolicyRoots = F.Roots();

  CHECK(RunUnattended(Settings) == ExitAllDeleted);
  CHECK_FALSE(FileExists(F.Temp / L"managed\\a.tmp"));
  CHECK(FileExists(F.Temp / L"own\\b.tmp"));
  CHECK(F.Registry.ValueNames(L"Settings\\Locations") == std::vector<std::wstring>{L"Item0"});
  REQUIRE(Events.size() == 3);
  CHECK(Events[0].EventId == evPolicyIgnored);
  CHECK(Events[0].Strings[0] == L"Locations\\Item2");
  CHECK(Events[0].Strings[1] == F.MachineName());
  CHECK(Events[1].EventId == evPolicyIgnored);
  CHECK(Events[1].Strings[0] == L"DisableUpdateCheck");
  CHECK(Events[1].Strings[1] == F.UserName());
  CHECK(Events[2].EventId == evRunClean);
}

TEST_CASE("a policy entry named with another script's digit neither stops a start nor an unattended run") {
  TPolicyFixture F;
  const std::wstring First = F.Temp.MakeDir(L"first");
  const std::wstring Second = F.Temp.MakeDir(L"second");
  const std::wstring Other = F.Temp.MakeDir(L"arabic-indic");
  // "Item" and ARABIC-INDIC DIGIT ONE, which iswdigit takes for a digit.
  F.Registry.WriteString(L"MachinePolicies\\Locations", L"Item\x0661", Other);
  F.Registry.WriteString(L"MachinePolicies\\Locations", L"Item2", Second);
  F.Registry.WriteString(L"MachinePolicies\\Locations", L"Item1", First);
  F.Registry.WriteString(L"UserPolicies\\Keep", L"Item\x0967", L"*.lock");
  F.Registry.WriteDword(L"Settings\\Options", L"ScanAtStartup", 0);
  TRecordedBoxes Boxes;

  TForm1Options Options;
  Options.RegistryKey = F.SettingsKey();
  Options.SingleInstance = false;
  Options.PolicyRoots = F.Roots();
  std::unique_ptr<TForm1> Form1;
  REQUIRE_NOTHROW(Form1 = std::make_unique<TForm1>(Options));
  std::vector<std::wstring> Rows;
  for (int i = 0; i < Form1->VKRListView1.Count(); ++i) Rows.push_back(Form1->VKRListView1.Item(i).Caption());
  // Numbered entries in their order; the others after them, still used.
  const std::vector<std::wstring> Listed{First, Second, Other};
  CHECK(std::is_permutation(Rows.begin(), Rows.end(), Listed.begin(), Listed.end()));
  CHECK(Form1->Policies().List(L"Locations") == std::vector<std::wstring>{First, Second, Other});
  CHECK(Form1->Policies().List(L"Keep") == std::vector<std::wstring>{L"*.lock"});
  Form1.reset();

  TAutoRunSettings Settings;
  Settings.RegistryKey = F.SettingsKey();
  Settings.InstanceName = L"Local\\Brenlow.Marrowby.PolicyDigitTest." + std::to_wstring(GetCurrentProcessId());
  Settings.LogPath = F.Temp / L"Marrowby.log";
  Settings.PolicyRoots = F.Roots();
  TEventLogHook Events([](const TEventReport&) { return true; });
  CHECK(RunUnattended(Settings) == ExitAllDeleted);
  CHECK(Boxes.Requests.empty());
}
