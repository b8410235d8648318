#include "refdata/station_settings.h"

#include "base/cp1252.h"

namespace vek {
namespace {

using namespace setup_record;

// Positions on the first record of a settings file, adding an empty one when
// there is none. The buffer then holds it.
bool FirstOrNew(store::FileManager& fm, store::FileBlock* fb) {
  if (fm.FirstKey(fb, 1) == 0) return true;
  if (fm.Status() > 1) return false;
  fm.ClearRecord(fb);
  return fm.AddRecord(fb) == 0;
}

constexpr std::size_t kSetup2Texts[6] = {1668, 1679, 1690, 1701, 1712, 1723};
constexpr std::int32_t kOldMainColour = 47029895;
constexpr std::int32_t kNewMainColour = 47161215;

}  // namespace

Text StationSettings::Postcode() const {
  const auto blank = postcode_town.find(' ');
  return blank == Text::npos ? Text() : postcode_town.substr(0, blank);
}

Text StationSettings::Town() const {
  const auto blank = postcode_town.find(' ');
  return blank == Text::npos ? postcode_town : postcode_town.substr(blank + 1);
}

void StationSettings::SetPostcodeAndTown(std::string_view postcode, std::string_view town) {
  postcode_town = Cut(Text(postcode) + " " + Text(town), 50);
}

bool LoadStationSettings(SuiteFiles& files, DayNumber today, StationSettings& s, SuffixTable& suffixes) {
  store::FileManager& fm = files.fm();
  store::FileBlock* fb = files.OpenSuiteFile(SuiteFile::kSetup);
  if (!fb) return false;
  const bool existed = fm.FirstKey(fb, 1) == 0;
  bool ok = existed;
  if (!existed) {
    fm.ClearRecord(fb);
    ok = fm.AddRecord(fb) == 0;  // a missing record is made empty; the built-in settings stay
  }
  ConstBytes r = fm.RecordBuffer(fb);
  s.record.assign(r.begin(), r.end());
  if (existed) {
    if (GetU8(r, kSuffixList + 1) != 0) {  // the first suffix is not empty
      std::array<SuffixEntry, SuffixTable::kReplaceable> list;
      for (std::size_t i = 0; i < list.size(); ++i) {
        list[i].text = GetText(r, kSuffixList + 7 * i, 4);
        list[i].code = GetU8(r, kSuffixList + 7 * i + 4);
      }
      suffixes.ReplaceFirstNine(list);
    }
    bool any_colour = false;
    for (std::size_t i = 0; i < 5; ++i) any_colour = any_colour || GetI32(r, kColours[i]) != 0;
    if (any_colour) {
      s.colours_set = true;
      for (std::size_t i = 0; i < 5; ++i) s.colours[i] = GetI32(r, kColours[i]);
      s.main_colour = GetI32(r, kMainColour);
      if (s.main_colour == kOldMainColour) s.main_colour = kNewMainColour;
      s.second_colour = GetI32(r, kSecondColour);
    }
    s.own_locator = GetText(r, kOwnLocator);
    s.utc_offset = GetI32(r, kUtcOffset.offset);
    s.name = GetText(r, kName);
    s.street = GetText(r, kStreet);
    s.postcode_town = GetText(r, kPostcodeTown);
    s.country = GetText(r, kCountry);
    s.dok = GetText(r, kDok);
    s.own_call = GetText(r, kOwnCall);
    s.swl_number = GetText(r, kSwlNumber);
    s.name_case = GetU8(r, kNameCase);
    s.day_bound = GetI32(r, kDayBoundDay) == today ? GetU8(r, kDayBound) : 255;
  }
  files.CloseSuiteFile(SuiteFile::kSetup);
  return ok;
}

bool LoadSetup2Texts(SuiteFiles& files, StationSettings& s) {
  store::FileManager& fm = files.fm();
  store::FileBlock* fb = files.OpenSuiteFile(SuiteFile::kSetup2);
  if (!fb) return false;
  const bool ok = FirstOrNew(fm, fb);
  if (ok) {
    ConstBytes r = fm.RecordBuffer(fb);
    for (std::size_t i = 0; i < 6; ++i) {
      const Text stored = GetText(r, kSetup2Texts[i], 11);
      if (!stored.empty()) s.setup2_texts[i] = stored;
    }
  }
  files.CloseSuiteFile(SuiteFile::kSetup2);
  return ok;
}

bool SaveStationSettings(SuiteFiles& files, DayNumber today, StationSettings& s) {
  store::FileManager& fm = files.fm();
  bool ok = false;
  if (store::FileBlock* fb = files.OpenSuiteFile(SuiteFile::kSetup)) {
    if (FirstOrNew(fm, fb)) {
      Bytes r = fm.RecordBuffer(fb);
      // Start from the record as it is on file now; only our fields change.
      PutText(r, kOwnLocator, Cut(s.own_locator, 6));
      PutI32(r, kUtcOffset.offset, s.utc_offset);
      PutText(r, kSwlNumber, Cut(s.swl_number, 20));
      PutText(r, kOwnCall, Cut(s.own_call, 14));
      PutText(r, kName, Cut(s.name, 50));
      PutText(r, kStreet, Cut(s.street, 50));
      PutText(r, kPostcodeTown, Cut(s.postcode_town, 50));
      PutText(r, kCountry, Cut(s.country, 50));
      PutText(r, kDok, Cut(s.dok, 10));
      PutU8(r, kDayBound, s.day_bound);
      PutI32(r, kDayBoundDay, today);
      if (s.colours_set) {
        for (std::size_t i = 0; i < 5; ++i) PutI32(r, kColours[i], s.colours[i]);
        PutI32(r, kMainColour, s.main_colour);
        PutI32(r, kSecondColour, s.second_colour);
      }
      ok = fm.PutRecord(fb) == 0;
      s.record.assign(r.begin(), r.end());
    }
    files.CloseSuiteFile(SuiteFile::kSetup);
  }
  if (store::FileBlock* fb = files.OpenSuiteFile(SuiteFile::kSetup2)) {
    if (FirstOrNew(fm, fb)) {
      Bytes r = fm.RecordBuffer(fb);
      for (std::size_t i = 0; i < 6; ++i) PutText(r, kSetup2Texts[i], 11, s.setup2_texts[i]);
      ok = fm.PutRecord(fb) == 0 && ok;
    }
    files.CloseSuiteFile(SuiteFile::kSetup2);
  }
  return ok;
}

Text ApplyNameCase(std::string_view text, std::uint8_t style) {
  Text out(text);
  if (out.empty()) return out;
  auto lower = [](char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
    if (u == 0xC4 || u == 0xD6 || u == 0xDC) return static_cast<char>(u + 32);  // Ä Ö Ü
    return c;
  };
  auto upper = [](char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
    if (u == 0xE4 || u == 0xF6 || u == 0xFC) return static_cast<char>(u - 32);  // ä ö ü
    return c;
  };
  switch (style) {
    case 1:
      for (char& c : out) c = upper(c);
      break;
    case 2:
      for (char& c : out) c = lower(c);
      break;
    case 3:
      for (char& c : out) c = lower(c);
      out[0] = AsciiUpper(out[0]);
      break;
    case 4:
      out[0] = AsciiUpper(out[0]);
      for (std::size_t i = 1; i < out.size(); ++i)
        if (out[i - 1] == '-' || out[i - 1] == '.') out[i] = AsciiUpper(out[i]);
      break;
    default: break;
  }
  return out;
}

Text PrefixTableWarning() {
  return W("Achtung: Die Präfixdatei konnte nicht gefunden werden bzw. ist leer. Ohne diese Datei kann das "
           "Programm nicht korrekt arbeiten! Sie erhalten die Präfixdatei vom Download-Server der "
           "Programm-Suite (https://download.vek-contest.example/praefix).");
}

bool OpenSuiteFilesAtStart(SuiteFiles& files, DayNumber today, StationSettings& settings, SuffixTable& suffixes,
                           SuiteStart& start) {
  store::FileManager& fm = files.fm();
  if (store::FileBlock* setup = files.OpenSuiteFile(SuiteFile::kSetup)) {
    FirstOrNew(fm, setup);
    files.CloseSuiteFile(SuiteFile::kSetup);
  }
  store::FileBlock* profiles = files.OpenSuiteFile(SuiteFile::kProfiles);
  if (!profiles || fm.RecordCount(profiles) < 0) return false;
  LoadStationSettings(files, today, settings, suffixes);
  if (store::FileBlock* setup2 = files.OpenSuiteFile(SuiteFile::kSetup2)) FirstOrNew(fm, setup2);
  LoadSetup2Texts(files, settings);
  store::FileBlock* prefixes = files.OpenSuiteFile(SuiteFile::kPrefixes);
  start.prefix_warning = !prefixes || fm.RecordCount(prefixes) <= 0;
  files.OpenSuiteFile(SuiteFile::kPrefixOverrides1);
  files.OpenSuiteFile(SuiteFile::kPrefixOverrides2);
  return true;
}

void CloseSuiteFilesAtEnd(SuiteFiles& files, DayNumber today, StationSettings& settings) {
  files.CloseSuiteFile(SuiteFile::kPrefixOverrides2);
  files.CloseSuiteFile(SuiteFile::kPrefixOverrides1);
  files.CloseSuiteFile(SuiteFile::kPrefixes);
  files.CloseSuiteFile(SuiteFile::kSetup2);
  SaveStationSettings(files, today, settings);
  files.CloseSuiteFile(SuiteFile::kProfiles);
}

}  // namespace vek
