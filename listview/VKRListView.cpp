#include "listview/VKRListView.h"

#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/FormatSettings.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <optional>
#include <utility>
#include <vector>

namespace {

// ---- Kinds of cell text ---------------------------------------------------------------

size_t CountOf(const std::wstring& Text, const std::wstring& Separator) {
  if (Separator.empty()) return 0;
  size_t Count = 0;
  for (size_t At = Text.find(Separator); At != std::wstring::npos; At = Text.find(Separator, At + Separator.size()))
    ++Count;
  return Count;
}

std::vector<std::wstring> SplitAt(const std::wstring& Text, const std::wstring& Separator) {
  std::vector<std::wstring> Parts;
  size_t From = 0;
  for (size_t At = Text.find(Separator); At != std::wstring::npos; At = Text.find(Separator, From)) {
    Parts.push_back(Text.substr(From, At - From));
    From = At + Separator.size();
  }
  Parts.push_back(Text.substr(From));
  return Parts;
}

std::wstring Trimmed(const std::wstring& Text) {
  const size_t First = Text.find_first_not_of(L' ');
  if (First == std::wstring::npos) return {};
  return Text.substr(First, Text.find_last_not_of(L' ') - First + 1);
}

// Decimal digits only, at most nine of them, so that no value overflows.
std::optional<int> SmallNumber(const std::wstring& Text) {
  if (Text.empty() || Text.size() > 9) return std::nullopt;
  int Value = 0;
  for (const wchar_t c : Text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    Value = Value * 10 + (c - L'0');
  }
  return Value;
}

// Days since 30 December 1899, the origin of the date-time values; none for
// a day that does not exist.
std::optional<double> EncodeDate(int Year, int Month, int Day) {
  static const int DaysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1) return std::nullopt;
  const bool Leap = (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0;
  if (Day > DaysIn[Month - 1] + (Month == 2 && Leap ? 1 : 0)) return std::nullopt;
  // Days from the civil calendar (March-based years).
  const int Y = Month <= 2 ? Year - 1 : Year;
  const int Era = Y / 400;
  const int YearOfEra = Y - Era * 400;
  const int DayOfYear = (153 * (Month + (Month > 2 ? -3 : 9)) + 2) / 5 + Day - 1;
  const int DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
  const long long DaysSince1970 = static_cast<long long>(Era) * 146097 + DayOfEra - 719468;
  return static_cast<double>(DaysSince1970 + 25569);
}

// A date in the order of the user's short date format, three parts.
std::optional<double> DateValue(const std::wstring& Text) {
  const TFormatSettings& Format = FormatSettings();
  const std::vector<std::wstring> Parts = SplitAt(Trimmed(Text), Format.DateSeparator);
  if (Parts.size() != 3) return std::nullopt;
  // The order of day, month and year as the format picture names them.
  const std::wstring& Picture = Format.ShortDateFormat;
  const size_t DayAt = Picture.find(L'd');
  const size_t MonthAt = Picture.find(L'M');
  const size_t YearAt = Picture.find(L'y');
  if (DayAt == std::wstring::npos || MonthAt == std::wstring::npos || YearAt == std::wstring::npos) return std::nullopt;
  const auto Rank = [&](size_t At) {
    return static_cast<size_t>((At > DayAt) + (At > MonthAt) + (At > YearAt));
  };
  const std::optional<int> Day = SmallNumber(Trimmed(Parts[Rank(DayAt)]));
  const std::optional<int> Month = SmallNumber(Trimmed(Parts[Rank(MonthAt)]));
  const std::wstring YearText = Trimmed(Parts[Rank(YearAt)]);
  std::optional<int> Year = SmallNumber(YearText);
  if (!Day || !Month || !Year) return std::nullopt;
  // Two-digit years fall in the century window around 2000.
  if (YearText.size() <= 2) *Year += *Year < 50 ? 2000 : 1900;
  return EncodeDate(*Year, *Month, *Day);
}

// A time of day as a fraction of a day: h:m or h:m:s, optionally AM or PM.
std::optional<double> TimeValue(const std::wstring& Text) {
  std::wstring Clock = Trimmed(Text);
  int HalfDay = -1;  // -1 without AM/PM, else 0 for AM and 1 for PM
  if (Clock.size() >= 2) {
    std::wstring Suffix = Clock.substr(Clock.size() - 2);
    for (wchar_t& c : Suffix) c = static_cast<wchar_t>(std::towupper(c));
    if (Suffix == L"AM" || Suffix == L"PM") {
      HalfDay = Suffix == L"PM" ? 1 : 0;
      Clock = Trimmed(Clock.substr(0, Clock.size() - 2));
    }
  }
  const std::vector<std::wstring> Parts = SplitAt(Clock, FormatSettings().TimeSeparator);
  if (Parts.size() < 2 || Parts.size() > 3) return std::nullopt;
  std::optional<int> Hour = SmallNumber(Parts[0]);
  const std::optional<int> Minute = SmallNumber(Parts[1]);
  const std::optional<int> Second = Parts.size() == 3 ? SmallNumber(Parts[2]) : std::optional<int>(0);
  if (!Hour || !Minute || !Second || *Minute > 59 || *Second > 59) return std::nullopt;
  if (HalfDay >= 0) {
    if (*Hour < 1 || *Hour > 12) return std::nullopt;
    *Hour = *Hour % 12 + 12 * HalfDay;
  } else if (*Hour > 23) {
    return std::nullopt;
  }
  return (*Hour * 3600.0 + *Minute * 60.0 + *Second) / 86400.0;
}

std::optional<double> DateTimeValue(const std::wstring& Text) {
  const std::wstring Whole = Trimmed(Text);
  const size_t Blank = Whole.find(L' ');
  if (Blank == std::wstring::npos) return std::nullopt;
  const std::optional<double> Date = DateValue(Whole.substr(0, Blank));
  const std::optional<double> Time = TimeValue(Whole.substr(Blank + 1));
  if (!Date || !Time) return std::nullopt;
  return *Date + *Time;
}

// The text as a date-time, with the user's date and time separators; a
// value of 0 (midnight alone, the origin) counts as no date.
std::optional<double> AsDateTime(const std::wstring& Text) {
  const TFormatSettings& Format = FormatSettings();
  const size_t Dates = CountOf(Text, Format.DateSeparator);
  const size_t Times = CountOf(Text, Format.TimeSeparator);
  const size_t Length = Text.size();
  std::optional<double> Value;
  if (Dates == 2 && (Times == 1 || Times == 2) && Length <= 22)
    Value = DateTimeValue(Text);
  else if (Dates == 2 && Length <= 10)
    Value = DateValue(Text);
  else if ((Times == 1 || Times == 2) && Length <= 11)
    Value = TimeValue(Text);
  if (!Value || *Value == 0.0) return std::nullopt;
  return Value;
}

// A decimal number with "." as the point: sign, digits, fraction, exponent,
// and nothing else. A value beyond the range of a double is no number.
std::optional<double> ParseDecimal(const std::wstring& Text) {
  size_t i = 0;
  const size_t n = Text.size();
  const auto Digits = [&] {
    const size_t From = i;
    while (i < n && Text[i] >= L'0' && Text[i] <= L'9') ++i;
    return i - From;
  };
  if (i < n && (Text[i] == L'+' || Text[i] == L'-')) ++i;
  size_t Mantissa = Digits();
  if (i < n && Text[i] == L'.') {
    ++i;
    Mantissa += Digits();
  }
  if (Mantissa == 0) return std::nullopt;
  if (i < n && (Text[i] == L'e' || Text[i] == L'E')) {
    ++i;
    if (i < n && (Text[i] == L'+' || Text[i] == L'-')) ++i;
    if (Digits() == 0) return std::nullopt;
  }
  if (i != n) return std::nullopt;
  errno = 0;
  const double Value = std::wcstod(Text.c_str(), nullptr);
  if (errno == ERANGE || !std::isfinite(Value)) return std::nullopt;
  return Value;
}

std::optional<double> AsNumber(const std::wstring& Text) {
  if (const std::optional<double> Plain = ParseDecimal(Text)) return Plain;
  const TFormatSettings& Format = FormatSettings();
  std::wstring Local;
  for (size_t i = 0; i < Text.size();) {
    if (!Format.ThousandSeparator.empty() && Text.compare(i, Format.ThousandSeparator.size(), Format.ThousandSeparator) == 0) {
      i += Format.ThousandSeparator.size();
    } else if (!Format.DecimalSeparator.empty() &&
               Text.compare(i, Format.DecimalSeparator.size(), Format.DecimalSeparator) == 0) {
      Local += L'.';
      i += Format.DecimalSeparator.size();
    } else {
      Local += Text[i++];
    }
  }
  return ParseDecimal(Local);
}

// Four groups of 0 to 255 between three dots, as g1 * 10^9 + g2 * 10^6 +
// g3 * 10^3 + g4. A malformed group (empty, out of range) and the all-zero
// address make the text no address.
std::optional<long long> AsDottedAddress(const std::wstring& Text) {
  if (Text.size() < 7 || Text.size() > 15) return std::nullopt;
  if (std::count(Text.begin(), Text.end(), L'.') != 3) return std::nullopt;
  if (!std::all_of(Text.begin(), Text.end(), [](wchar_t c) { return c == L'.' || (c >= L'0' && c <= L'9'); }))
    return std::nullopt;
  long long Value = 0;
  for (const std::wstring& Group : SplitAt(Text, L".")) {
    const std::optional<int> Number = SmallNumber(Group);
    if (!Number || *Number > 255) return std::nullopt;
    Value = Value * 1000 + *Number;
  }
  if (Value == 0) return std::nullopt;
  return Value;
}

template <typename T>
int Sign(T Difference) {
  return (Difference > T{}) - (Difference < T{});
}

// Both texts of one kind: the order of their values; the second text is
// only looked at when the first is of the kind.
template <typename TConvert>
std::optional<int> CompareAs(const std::wstring& Text1, const std::wstring& Text2, TConvert Convert) {
  const auto Value1 = Convert(Text1);
  if (!Value1) return std::nullopt;
  const auto Value2 = Convert(Text2);
  if (!Value2) return std::nullopt;
  return Sign(*Value1 - *Value2);
}

// ---- Arrow images -------------------------------------------------------------------

constexpr COLORREF Transparent = RGB(0xFF, 0x00, 0xFF);
constexpr int ArrowWidth = 9;
constexpr int ArrowHeight = 6;

// One image of the list's size, fuchsia, with the picture (when given) in its middle.
void AddArrowImage(HIMAGELIST List, const wchar_t* Picture) {
  int Width = 0;
  int Height = 0;
  ImageList_GetIconSize(List, &Width, &Height);
  UniqueGdi<HBITMAP> Arrow;
  if (Picture != nullptr) {
    Arrow.reset(static_cast<HBITMAP>(
        LoadImageW(Application().HInstance(), Picture, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!Arrow) throw EResNotFound(std::wstring(L"Bitmap resource ") + Picture + L" not found");
  }
  const TWindowDC Screen(nullptr);
  UniqueGdi<HBITMAP> Image(CreateCompatibleBitmap(Screen.get(), Width, Height));
  UniqueMemoryDC Canvas(CreateCompatibleDC(Screen.get()));
  UniqueMemoryDC Source(CreateCompatibleDC(Screen.get()));
  const HGDIOBJ OldImage = SelectObject(Canvas.get(), Image.get());
  UniqueGdi<HBRUSH> Background(CreateSolidBrush(Transparent));
  const RECT All{0, 0, Width, Height};
  FillRect(Canvas.get(), &All, Background.get());
  if (Arrow) {
    // The picture's own background is fuchsia too: drawn transparently it
    // is the same as copied.
    const HGDIOBJ OldArrow = SelectObject(Source.get(), Arrow.get());
    BitBlt(Canvas.get(), (Width - ArrowWidth) / 2, (Height - ArrowHeight) / 2, ArrowWidth, ArrowHeight, Source.get(),
           0, 0, SRCCOPY);
    SelectObject(Source.get(), OldArrow);
  }
  SelectObject(Canvas.get(), OldImage);
  ImageList_AddMasked(List, Image.get(), Transparent);
}

}  // namespace

// ---- The view -----------------------------------------------------------------------

TVKRListView::TVKRListView() {
  OnColumnClick = [this](TObject*, int Column) { HeaderClick(Column); };
}

TVKRListView::~TVKRListView() {
  FUpdatingImages = true;
  // The view may outlive its own image list by a moment: it must not draw with a freed one.
  if (FArrows && Handle() != nullptr && IsWindow(Handle()) && SmallImages() == FArrows.get())
    SetSmallImages(nullptr);
}

void TVKRListView::Create(HWND Parent, int Id, bool MultiSelect) {
  // Report style, whole-row selection, read-only captions and a selection that
  // stays visible are part of the base creation.
  TListView::Create(Parent, Id, MultiSelect ? 0 : LVS_SINGLESEL);
}

void TVKRListView::Loaded() {
  const auto AddArrows = [this](HIMAGELIST List) {
    AddArrowImage(List, nullptr);
    FIndexUp = ImageList_GetImageCount(List);
    AddArrowImage(List, L"ARROW_UP");
    FIndexDown = ImageList_GetImageCount(List);
    AddArrowImage(List, L"ARROW_DOWN");
  };
  const HIMAGELIST Assigned = SmallImages();
  if (Assigned != nullptr && Assigned != FArrows.get()) {
    if (FUpdatingImages) return;
    FArrows.reset();
    AddArrows(Assigned);
    return;
  }
  FUpdatingImages = true;
  struct TClearFlag {
    bool& Flag;
    ~TClearFlag() { Flag = false; }
  } Clear{FUpdatingImages};
  UniqueImageList Own(ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 3, 0));
  Win32Check(Own.valid(), L"Arrow images");
  AddArrows(Own.get());
  SetSmallImages(Own.get());
  FArrows = std::move(Own);
}

void TVKRListView::ShowArrow(int ColumnIndex) {
  SetColumnImage(ColumnIndex, FLastSortAscending ? FIndexUp : FIndexDown);
}

void TVKRListView::HeaderClick(int Column) {
  if (FLastSortIndex != -1 && FLastSortIndex != Column && FLastSortIndex < ColumnCount())
    SetColumnImage(FLastSortIndex, -1);
  FLastSortAscending = Column == FLastSortIndex ? !FLastSortAscending : true;
  FLastSortIndex = Column;
  ShowArrow(Column);
  SortItems();
}

void TVKRListView::Sort(int ColumnIndex, bool SortAscending) {
  const int Columns = ColumnCount();
  if (Columns == 0) return;
  if (ColumnIndex < 0 || ColumnIndex >= Columns) throw EListError::IndexOutOfBounds(ColumnIndex);
  if (FLastSortIndex != -1 && FLastSortIndex != ColumnIndex && FLastSortIndex < Columns)
    SetColumnImage(FLastSortIndex, -1);
  FLastSortAscending = SortAscending;
  FLastSortIndex = ColumnIndex;
  ShowArrow(ColumnIndex);
  SortItems();
}

void TVKRListView::SortAsIs() {
  if (FLastSortIndex >= 0) Sort(FLastSortIndex, FLastSortAscending);
}

TListItem TVKRListView::AddSorted(const std::vector<std::wstring>& Texts) {
  int At = Count();
  if (FLastSortIndex >= 0) {
    const auto Column = static_cast<size_t>(FLastSortIndex);
    const std::wstring Text = Column < Texts.size() ? Texts[Column] : std::wstring();
    // The rows are in order: the first that sorts after the new one, by halves.
    FSortError = nullptr;
    int Low = 0;
    while (Low < At) {
      const int Middle = Low + (At - Low) / 2;
      if (CompareItems(ItemText(Middle, FLastSortIndex), Text) <= 0)
        Low = Middle + 1;
      else
        At = Middle;
    }
    if (FSortError) std::rethrow_exception(std::exchange(FSortError, nullptr));
  }
  TListItem Item = Insert(At, Texts.empty() ? std::wstring() : Texts.front());
  for (size_t Column = 1; Column < Texts.size(); ++Column) Item.SetSubItem(static_cast<int>(Column) - 1, Texts[Column]);
  return Item;
}

void TVKRListView::SortItems() {
  FSortError = nullptr;
  // The texts are read before the rows start moving.
  std::vector<std::wstring> Texts;
  const int Rows = Count();
  Texts.reserve(static_cast<size_t>(Rows));
  for (int i = 0; i < Rows; ++i) Texts.push_back(ItemText(i, FLastSortIndex));
  CustomSort([this, &Texts](int Index1, int Index2) {
    return CompareItems(Texts[static_cast<size_t>(Index1)], Texts[static_cast<size_t>(Index2)]);
  });
  // A failing custom comparison is reported once the platform is done with the rows.
  if (FSortError) std::rethrow_exception(std::exchange(FSortError, nullptr));
}

int TVKRListView::CompareItems(const std::wstring& Text1, const std::wstring& Text2) noexcept {
  if (FSortError) return 0;
  try {
    int Res = 0;
    bool Handled = false;
    if (FOnCustomSort) FOnCustomSort(this, FLastSortIndex, Text1, Text2, Res, Handled);
    if (!Handled) Res = CompareItemTexts(Text1, Text2);
    // Only the sign counts: negating the most negative integer would overflow.
    Res = Sign(Res);
    return FLastSortAscending ? Res : -Res;
  } catch (...) {
    FSortError = std::current_exception();
    return 0;
  }
}

int TVKRListView::CompareItemTexts(const std::wstring& Text1, const std::wstring& Text2) noexcept {
  try {
    if (const auto Res = CompareAs(Text1, Text2, AsDateTime)) return *Res;
    if (const auto Res = CompareAs(Text1, Text2, AsNumber)) return *Res;
    if (const auto Res = CompareAs(Text1, Text2, AsDottedAddress)) return *Res;
    const int Order = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Text1.c_str(),
                                     static_cast<int>(Text1.size()), Text2.c_str(), static_cast<int>(Text2.size()));
    return Order == 0 ? 0 : Order - CSTR_EQUAL;
  } catch (...) {
    // Out of memory while converting: the two rows count as equal.
    return 0;
  }
}
