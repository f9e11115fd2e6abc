#include <doctest.h>

#include "framework/FolderListing.h"
#include "search/ListingPattern.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"

#include <set>
#include <string>
#include <vector>

namespace {

std::set<std::wstring> PlatformListing(const std::wstring& Folder, const std::wstring& Pattern) {
  std::set<std::wstring> Names;
  for (TFolderListing Listing(Folder, Pattern.c_str()); Listing.HasEntry(); Listing.Next())
    if (!IsDotName(Listing.Entry().cFileName)) Names.insert(Listing.Entry().cFileName);
  return Names;
}

bool IsAscii(const std::wstring& Text) {
  for (const wchar_t C : Text)
    if (C > 0x7F) return false;
  return true;
}

}  // namespace

TEST_CASE("which patterns the complete listing answers, and which it leaves to the platform") {
  struct TCase {
    std::wstring Pattern;
    TPatternKind Kind;
  };
  const std::vector<TCase> Cases = {
      {L"*", TPatternKind::Everything},        {L"*.*", TPatternKind::Everything},
      {L"*.tmp", TPatternKind::Extension},     {L"*.TMP", TPatternKind::Extension},
      {L"*.~tmp", TPatternKind::Extension},    {L"*.t$p", TPatternKind::Extension},
      {L"sub\\*.tmp", TPatternKind::NoEntries}, {L"a/b", TPatternKind::NoEntries},
      {L"?.tmp", TPatternKind::Platform},      {L"*.t?p", TPatternKind::Platform},
      {L"a*.tmp", TPatternKind::Platform},     {L"*.tmp*", TPatternKind::Platform},
      {L"**.tmp", TPatternKind::Platform},     {L"*.", TPatternKind::Platform},
      {L"*.tmp.", TPatternKind::Platform},     {L"*.tmp ", TPatternKind::Platform},
      {L"*.t.p", TPatternKind::Platform},      {L"x.tmp", TPatternKind::Platform},
      {L"*.<mp", TPatternKind::Platform},      {L"*.t\u00e9p", TPatternKind::Platform},
      {L"", TPatternKind::Platform},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Pattern));
    CHECK(ClassifyPattern(Case.Pattern).Kind == Case.Kind);
  }
  CHECK(ClassifyPattern(L"*.Tmp").Suffix == L".Tmp");
}

TEST_CASE("a pattern answered from the complete listing reports what the platform's own listing reports") {
  TTempDir Dir;
  // Names the platform matches through their short 8.3 alias (x.tmpl as
  // X~1.TMP), names with several dots, case and letters outside ASCII.
  const std::vector<std::wstring> Names = {
      L"a.tmp",     L"B.TMP",          L"x.tmpl",          L"long file name.tmp", L"a.b.tmp",
      L".tmp",      L"x.tmp.bak",      L"tmp",             L"verylongname.tmpx",  L"a.tm",
      L"x.TmP",     L"x.tmp~",         L"a.tmp1",          L"sp ace.log",         L"x.logfile",
      L"README",    L"x.~tmp",         L"a.t$p",           L"caf\u00e9.tmp",      L"x.tm\u00e9",
      L"\u00fcber.TMP", L"x.t\u00c9mp", L"\u0130.TMP",      L"x.tmp\u0131",        L"ab.log.tmpl",
  };
  for (const std::wstring& Name : Names) Dir.MakeFile(Name);
  Dir.MakeDir(L"folder.tmp");

  const std::vector<std::wstring> Patterns = {L"*.tmp", L"*.TMP", L"*.tm", L"*.tmpl", L"*.log",
                                              L"*.t",   L"*.~tmp", L"*.t$p", L"*",     L"*.*"};
  for (const std::wstring& Text : Patterns) {
    CAPTURE(WideToUtf8(Text));
    const TListingPattern Pattern = ClassifyPattern(Text);
    REQUIRE(Pattern.Kind != TPatternKind::Platform);
    const std::set<std::wstring> Expected = PlatformListing(Dir.Path(), Text);
    int Answered = 0;
    for (TFolderListing Listing(Dir.Path(), L"*", true); Listing.HasEntry(); Listing.Next()) {
      const WIN32_FIND_DATAW& Entry = Listing.Entry();
      if (IsDotName(Entry.cFileName)) continue;
      const std::wstring Name = Entry.cFileName;
      CAPTURE(WideToUtf8(Name));
      CAPTURE(WideToUtf8(Entry.cAlternateFileName));
      const TNameAnswer Answer = MatchesPattern(Pattern, Entry.cFileName, Entry.cAlternateFileName);
      // A name in plain ASCII, alias included, is always answered.
      if (IsAscii(Name) && IsAscii(Entry.cAlternateFileName)) CHECK(Answer != TNameAnswer::Unsure);
      if (Answer == TNameAnswer::Unsure) continue;
      ++Answered;
      CHECK((Answer == TNameAnswer::Yes) == (Expected.count(Name) != 0));
    }
    CHECK(Answered >= 20);
  }
}
