#pragma once
// The about dialog component: shows the program's about window and derives
// the program's version text ("1.00.16", "1.00.16b0") from the version
// resource of the program file.

#include "common/VKRLangType.h"
#include "framework/Graphics.h"
#include "framework/Handle.h"
#include "framework/Object.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

class TVKRAboutBox;

enum class TVKRAboutDialogOption : uint8_t {
  opEnableVersionInfo,
  opFormatVersionInfo,
  opShowAuthor,
  opShowBuild64bit,
  opShowBuildNumber,
  opShowToolLogo,
  opShowEmail,
  opShowOSInfo,
  opShowText,
  opShowURL,
  opShowWindowsLogo
};

class TVKRAboutDialogOptions {
public:
  constexpr TVKRAboutDialogOptions() = default;
  constexpr TVKRAboutDialogOptions(std::initializer_list<TVKRAboutDialogOption> Options) {
    for (const TVKRAboutDialogOption Option : Options) Include(Option);
  }
  static constexpr TVKRAboutDialogOptions FromBits(uint16_t Bits) {
    TVKRAboutDialogOptions Result;
    Result.FBits = static_cast<uint16_t>(Bits & 0x07FF);
    return Result;
  }
  // Every option but the one given.
  static constexpr TVKRAboutDialogOptions AllBut(TVKRAboutDialogOption Option) {
    TVKRAboutDialogOptions Result = FromBits(0x07FF);
    Result.Exclude(Option);
    return Result;
  }

  constexpr bool Contains(TVKRAboutDialogOption Option) const { return (FBits & Bit(Option)) != 0; }
  constexpr void Include(TVKRAboutDialogOption Option) { FBits = static_cast<uint16_t>(FBits | Bit(Option)); }
  constexpr void Exclude(TVKRAboutDialogOption Option) { FBits = static_cast<uint16_t>(FBits & ~Bit(Option)); }
  constexpr uint16_t Bits() const { return FBits; }
  constexpr bool operator==(const TVKRAboutDialogOptions&) const = default;

private:
  static constexpr uint16_t Bit(TVKRAboutDialogOption Option) {
    return static_cast<uint16_t>(1u << static_cast<unsigned>(Option));
  }
  uint16_t FBits = 0;
};

// The string values of a version resource that the dialog uses.
struct TVKRVersionStrings {
  std::wstring FileDescription;
  std::wstring FileVersion;  // major.minor.release.build
  std::wstring LegalCopyright;
  std::wstring CompanyName;

  // The values of a file's version resource (its first translation); none
  // when the file has no version resource.
  static std::optional<TVKRVersionStrings> FromFile(const std::wstring& FileName);
};

class TVKRAboutDialog : public TObject {
public:
  TVKRAboutDialog();
  ~TVKRAboutDialog() override;

  TVKRAboutDialogOptions Options() const { return FOptions; }
  void SetOptions(TVKRAboutDialogOptions Value) { FOptions = Value; }
  const std::wstring& Author() const { return FAuthor; }
  void SetAuthor(const std::wstring& Value) { FAuthor = Value; }
  const std::wstring& Copyright() const { return FCopyright; }
  void SetCopyright(const std::wstring& Value) { FCopyright = Value; }
  const std::wstring& Email() const { return FEmail; }
  void SetEmail(const std::wstring& Value) { FEmail = Value; }
  const std::wstring& Text() const { return FText; }
  void SetText(const std::wstring& Value) { FText = Value; }
  const std::wstring& URL() const { return FURL; }
  void SetURL(const std::wstring& Value) { FURL = Value; }
  const std::wstring& Version() const { return FVersion; }
  void SetVersion(const std::wstring& Value) { FVersion = Value; }
  TFont& Font() { return FFont; }
  void SetFont(const TFont& Value);
  // Empty (null) until set: the window then shows the application's icon.
  HICON Icon() const { return FIcon.get(); }
  // Keeps a copy of the icon.
  void SetIcon(HICON Value);
  TLangType LangType() const { return FLangType; }
  // Replaces the texts of every instance: they belong to the unit.
  void SetLangType(TLangType Value);

  // The version resource values in use; none when the program file has no
  // version resource. A test may put other values in their place.
  const std::optional<TVKRVersionStrings>& VersionInfo() const { return FVersionInfo; }
  void SetVersionInfo(std::optional<TVKRVersionStrings> Value) { FVersionInfo = std::move(Value); }

  // Shows the about window modally; true when it closed with OK.
  bool Execute();
  // The version text, with "b" + build (or "." + build) when asked for and
  // the options allow. Also rewrites Version from the version resource.
  std::wstring ExtractVersion(bool IncludeBuildNumber);
  // 1.0.16.0 gives 1.00.16 (1.0.16 without opFormatVersionInfo); a text of
  // another number of parts comes back unchanged.
  std::wstring FormatFileVersion(const std::wstring& FileVersion) const;
  // The fourth part of the file version, "0" without one.
  static std::wstring GetBuildNumber(const std::wstring& FileVersion);

  // The about window as Execute shows it, filled in, not yet shown.
  std::unique_ptr<TVKRAboutBox> CreateAboutBox();
  // Test seam: sees the window Execute made, filled in, just before it shows.
  std::function<void(TVKRAboutBox& Box)> OnBeforeShow;

private:
  TVKRAboutDialogOptions FOptions;
  std::wstring FAuthor;
  std::wstring FCopyright;
  std::wstring FEmail;
  std::wstring FText;
  std::wstring FURL;
  std::wstring FVersion;
  TFont FFont;
  UniqueIcon FIcon;
  std::optional<TVKRVersionStrings> FVersionInfo;
  TLangType FLangType = TLangType::ltEnglish;
};

// The file whose version the dialog reads: the program itself, or the
// library a rundll32 process runs.
const std::wstring& AboutProgramFileName();
