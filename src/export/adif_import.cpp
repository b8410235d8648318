#include "export/adif_import.h"

#include <algorithm>

#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "base/scripted_user_port.h"
#include "refdata/bands.h"
#include "store/os_file.h"

namespace vek {
namespace {

using F = EntryFieldId;

bool IsSerialKind(int kind) { return kind == 7 || kind == 11 || kind == 13; }

// The name a received kind goes by in the entry window.
Text ReceivedKindName(int kind) {
  switch (kind) {
    case 4:
      return "DOK";
    case 8:
      return "AREA";
    case 17:
      return "LDK";
    case 5:
    case 6:
      return "LOC";
    case 12:
      return "US-STATE";
    case 15:
      return "PLZ";
    default:
      return {};
  }
}

// "20081115" or "081115" as the entry window's date; "143015" or "1430" as its time.
Text ImportDate(const Text& v) {
  if (v.size() == 8) return v.substr(6, 2) + "." + v.substr(4, 2) + "." + v.substr(0, 4);
  if (v.size() == 6) {
    const int yy = std::atoi(v.substr(0, 2).c_str());
    return v.substr(4, 2) + "." + v.substr(2, 2) + "." + std::to_string(ExpandTwoDigitYear(yy, 2000));
  }
  return v;
}
Text ImportTime(const Text& v) {
  if (v.size() == 6 || v.size() == 4) return v.substr(0, 2) + ":" + v.substr(2, 2);
  return v;
}

}  // namespace

AdifFile ReadAdifRecords(std::string_view bytes) {
  AdifFile file;
  Text current;
  std::size_t at = 0;
  const auto close_records = [&] {
    // One line may hold several records: each "<EOR>" closes one.
    for (std::size_t eor; (eor = current.find("<EOR>")) != Text::npos;) {
      file.records.push_back(current.substr(0, eor + 5));
      current.erase(0, eor + 5);
      current = Trim(current);
    }
  };
  while (at < bytes.size()) {
    std::size_t end = bytes.find('\n', at);
    if (end == std::string_view::npos) end = bytes.size();
    Text line = Cp1252Upper(bytes.substr(at, end - at));
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '#') continue;
    if (const auto eoh = line.find("<EOH>"); eoh != Text::npos) {
      // The header and whatever was collected go; what follows on the line stays.
      current.clear();
      line = line.substr(eoh + 5);
    }
    const Text trimmed = Trim(line);
    if (trimmed.empty()) continue;
    current += (current.empty() ? "" : " ") + trimmed;
    close_records();
  }
  // Tags of every record, once, in order of first appearance.
  for (const Text& record : file.records) {
    std::size_t open = Text::npos;
    for (std::size_t i = 0; i < record.size(); ++i) {
      if (record[i] == '<') {
        open = i;  // an unclosed "<" before it starts again here
      } else if (record[i] == '>' && open != Text::npos) {
        Text name = record.substr(open + 1, i - open - 1);
        name = Trim(name.substr(0, name.find(':')));
        open = Text::npos;
        if (name.empty() || name == "EOR") continue;
        if (std::find(file.tags.begin(), file.tags.end(), name) == file.tags.end()) file.tags.push_back(name);
      }
    }
  }
  return file;
}

std::optional<Text> AdifValue(std::string_view record, std::string_view tag) {
  std::size_t from = 0;
  while ((from = record.find('<', from)) != std::string_view::npos) {
    const std::size_t close = record.find('>', from);
    if (close == std::string_view::npos) return std::nullopt;
    // A "<" that follows an unclosed one starts the group again.
    if (const std::size_t again = record.find('<', from + 1); again < close) {
      from = again;
      continue;
    }
    std::string_view name = record.substr(from + 1, close - from - 1);
    name = name.substr(0, name.find(':'));
    if (Trim(name) == tag) {
      const std::size_t next = record.find('<', close + 1);
      return Trim(record.substr(close + 1,
                                next == std::string_view::npos ? std::string_view::npos : next - close - 1));
    }
    from = close + 1;
  }
  return std::nullopt;
}

Text AdifImportMessage(const AdifCounts& c) {
  Text m = std::to_string(c.imported) + W(" Datensätze importiert");
  if (c.duplicates > 0) m += "\r\n" + std::to_string(c.duplicates) + " Calls doppelt";
  if (c.band_failures > 0)
    m += "\r\n" + std::to_string(c.band_failures) + " fehlende oder falsche Bandangaben";
  if (c.mode_failures > 0)
    m += "\r\n" + std::to_string(c.mode_failures) + " fehlende oder falsche Modeangaben";
  return m;
}

AdifImport::AdifImport(EntrySession& session) : session_(session) { BuildFieldList(); }

void AdifImport::BuildFieldList() {
  const ContestDefinition& d = session_.definition();
  fields_ = {{"CALL", AdifTarget::kField, F::eCall},      {"QSO_DATE", AdifTarget::kField, F::eDatum},
             {"TIME_ON", AdifTarget::kField, F::ezeit},   {"RST_SENT", AdifTarget::kField, F::eRSTs1},
             {"RST_RCVD", AdifTarget::kField, F::eRSTr1}, {"BAND", AdifTarget::kBand, F::eCall},
             {"FREQ", AdifTarget::kFreq, F::eFreq},       {"MODE", AdifTarget::kMode, F::emode}};
  // Each caption fills the received item that carries its value: the item
  // whose kind goes by the caption's name, else the next item not taken.
  const int kinds[3] = {d.RcvdKind1, d.RcvdKind2, d.RcvdKind3};
  const Text* exch_captions[3] = {&d.ExchCaption1, &d.ExchCaption2, &d.ExchCaption3};
  const F items[3] = {F::eRSTr2, F::eRSTr3, F::eRSTr4};
  bool taken[3] = {false, false, false};
  std::vector<std::pair<Text, int>> captions;
  for (const Text* c : {&d.MultName1, &d.MultName2, &d.MultName3})
    if (!c->empty()) captions.emplace_back(*c, -1);
  const auto name_of = [&](int i) {
    return exch_captions[i]->empty() ? ReceivedKindName(kinds[i]) : Cp1252Upper(*exch_captions[i]);
  };
  for (auto& [caption, item] : captions)
    for (int i = 0; i < 3 && item < 0; ++i)
      if (kinds[i] != 0 && !taken[i] && name_of(i) == Cp1252Upper(caption)) item = i, taken[i] = true;
  for (auto& [caption, item] : captions)
    for (int i = 0; i < 3 && item < 0; ++i)
      if (kinds[i] != 0 && !taken[i] && !IsSerialKind(kinds[i])) item = i, taken[i] = true;
  for (const auto& [caption, item] : captions)
    if (item >= 0) fields_.push_back({caption, AdifTarget::kField, items[item]});
  // The received items no caption covers, and the sent serial number, so
  // that a log exported by this program comes back whole.
  for (int i = 0; i < 3; ++i)
    if (kinds[i] != 0 && !taken[i])
      fields_.push_back({IsSerialKind(kinds[i]) ? "SRX" : "SRX_STRING", AdifTarget::kField, items[i]});
  const int sent[3] = {d.SentKind1, d.SentKind2, d.SentKind3};
  const F sent_items[3] = {F::eRSTs2, F::eRSTs3, F::eRSTs4};
  for (int i = 0; i < 3; ++i)
    if (IsSerialKind(sent[i])) {
      fields_.push_back({"STX", AdifTarget::kField, sent_items[i]});
      break;
    }
}

bool AdifImport::LoadFile(store::OsFileSystem& fs, const std::string& path) {
  UserPort& port = session_.port();
  std::int32_t error = 0;
  auto f = fs.Open(path, false, error);
  std::uint64_t size = 0;
  if (!f || f->Size(size) != 0) {
    port.Inform("Datei existiert nicht");
    return false;
  }
  if (size > kAdifFileLimit) {
    port.Inform(W("Die Datei ist größer als 256 MB und wird nicht eingelesen."));
    return false;
  }
  std::string bytes(static_cast<std::size_t>(size), '\0');
  const store::IoResult r =
      f->ReadAt(0, std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()));
  bytes.resize(r.bytes);
  file_name_ = path;
  LoadText(bytes);
  return true;
}

void AdifImport::LoadText(std::string_view bytes) {
  file_ = ReadAdifRecords(bytes);
  tags_ = file_.tags;
  BuildFieldList();
  mapped_ = 0;
}

bool AdifImport::Map(std::string_view tag, std::size_t field_index) {
  if (field_index >= fields_.size() || !fields_[field_index].tag.empty()) return false;
  const auto it = std::find(tags_.begin(), tags_.end(), tag);
  if (it == tags_.end()) return false;
  fields_[field_index].tag = *it;
  tags_.erase(it);
  ++mapped_;
  return true;
}

void AdifImport::MapSame() {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const Text& name = fields_[i].name;
    const bool standard = i < 8 || name == "SRX" || name == "STX";
    if (standard) Map(name, i);
  }
}

std::optional<Text> AdifImport::Value(const Text& record, AdifTarget target, EntryFieldId field) const {
  for (const AdifFieldEntry& e : fields_)
    if (!e.tag.empty() && e.target == target && (target != AdifTarget::kField || e.field == field))
      return AdifValue(record, e.tag);
  return std::nullopt;
}

bool AdifImport::ImportRecord(const Text& record, AdifCounts& counts) {
  const ContestDefinition& d = session_.definition();
  const Text mode = Value(record, AdifTarget::kMode, F::emode).value_or("");
  const Text band_text = Value(record, AdifTarget::kBand, F::eCall).value_or("");
  const Text freq_text = Value(record, AdifTarget::kFreq, F::eFreq).value_or("");
  if (!no_check_) {
    const bool digital =
        d.HasMode("DIGITAL") && !mode.empty() && mode != "CW" && mode != "SSB" && mode != "FM";
    if (!d.HasMode(mode) && !digital) {
      ++counts.mode_failures;
      return false;
    }
    bool band_ok = false;
    const double mhz = std::atof(freq_text.c_str());
    for (char b : d.Bands) {
      if (b == 0) continue;
      band_ok = band_ok || (mhz > 0 && BandCodeOfFrequency(NormaliseFrequency(mhz)) == b) ||
                BandCodeFromText(band_text) == b || band_text == Cp1252Upper(BandName(b, true)) ||
                band_text == Cp1252Upper(BandName(b, false));
    }
    if (!band_ok) {
      ++counts.band_failures;
      return false;
    }
  }
  // Band and mode first, so the call is checked against the right band.
  Text freq = freq_text;
  if (freq.empty() && !band_text.empty()) {
    const double start = BandStartFrequency(band_text);
    if (start > 0) freq = std::to_string(start);
  }
  char band = 0;
  if (const double mhz = std::atof(freq.c_str()); mhz > 0)
    band = BandCodeOfFrequency(NormaliseFrequency(mhz));
  if (!IsBandCode(band)) band = BandCodeFromText(band_text);
  if (IsBandCode(band) && band != session_.band()) session_.ChangeBand(band);
  if (!mode.empty() && mode != session_.mode()) session_.ChangeMode(mode == "PKT" ? Text("PR") : mode);
  for (char& c : freq)
    if (c == '.') c = ',';
  session_.Type(F::eFreq, freq);
  // The entry window's fields in its order; an unmapped or missing value keeps the field as it is.
  const F order[] = {F::eCall,  F::eDatum, F::ezeit,  F::eName,  F::eQTH,   F::eRSTs1, F::eRSTr1,
                     F::eRSTr2, F::eRSTr3, F::eRSTr4, F::eRSTs2, F::eRSTs3, F::eRSTs4};
  for (F id : order) {
    std::optional<Text> value = Value(record, AdifTarget::kField, id);
    if (!value) continue;
    if (id == F::eDatum) *value = ImportDate(*value);
    if (id == F::ezeit) *value = ImportTime(*value);
    // An exchange item is the text up to the first "/": SRX and STX of an
    // export carry the whole rest of the exchange ("001/JO43AB/I23").
    const bool item = (id >= F::eRSTs2 && id <= F::eRSTs4) || (id >= F::eRSTr2 && id <= F::eRSTr4);
    if (item) *value = value->substr(0, value->find('/'));
    session_.Type(id, *value);
    // Leaving the call looks up the partner as the window does; a
    // duplicate found there empties the entry, and the save check refuses it.
    if (id == F::eCall) session_.LeaveField(F::eCall);
  }
  if (session_.CanSave()) {
    const int before = session_.saves();
    session_.SaveQso();
    if (session_.saves() > before) {
      ++counts.imported;
      return true;
    }
  }
  ++counts.duplicates;
  session_.NewQso(0);
  return false;
}

AdifCounts AdifImport::Start() {
  AdifCounts counts;
  counts.records = static_cast<std::int64_t>(file_.records.size());
  // The refusals are counted, not shown one by one: the closing box tells them.
  ScriptedUserPort quiet;
  UserPort* operator_port = session_.SwapPort(&quiet);
  const std::int64_t total = counts.records;
  operator_port->ProgressBegin("ADIF-Import", static_cast<int>(std::min<std::int64_t>(total, 1 << 30)));
  std::int64_t done = 0;
  {
    const EntrySession::Batch batch(session_);
    for (const Text& record : file_.records) {
      ImportRecord(record, counts);
      if (++done % 100 == 0) {
        operator_port->ProgressStep(static_cast<int>(done));
        quiet.Clear();
      }
    }
  }
  operator_port->ProgressEnd();
  session_.SwapPort(operator_port);
  operator_port->Inform(AdifImportMessage(counts));
  return counts;
}

}  // namespace vek
