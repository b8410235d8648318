#include "refdata/cty_import.h"

#include <sstream>

#include "refdata/dxcc_table.h"
#include "refdata/prefix_record.h"

namespace vek {
namespace {

using namespace prefix_record;

Text Field(std::string_view line, std::size_t& pos) {
  const auto colon = line.find(':', pos);
  if (colon == std::string_view::npos) {
    pos = line.size();
    return Trim(line.substr(std::min(pos, line.size())));
  }
  const Text f = Trim(line.substr(pos, colon - pos));
  pos = colon + 1;
  return f;
}

// An alias with its overrides: (cq) [itu] <lat/lon> {continent} ~utc~.
CtyAlias ParseAlias(std::string_view raw, const CtyEntity& e) {
  CtyAlias a{Text(), false, e.cq, e.itu, e.continent};
  std::string_view t = raw;
  if (!t.empty() && t[0] == '=') {
    a.exact = true;
    t.remove_prefix(1);
  }
  std::size_t i = 0;
  while (i < t.size()) {
    const char c = t[i];
    auto until = [&](char close) {
      const auto end = t.find(close, i + 1);
      const Text inside(t.substr(i + 1, end == std::string_view::npos ? Text::npos : end - i - 1));
      i = end == std::string_view::npos ? t.size() : end + 1;
      return inside;
    };
    if (c == '(') a.cq = until(')');
    else if (c == '[') a.itu = until(']');
    else if (c == '{') a.continent = until('}');
    else if (c == '<') until('>');
    else if (c == '~') until('~');
    else {
      a.text += AsciiUpper(std::string_view(&c, 1));
      ++i;
    }
  }
  return a;
}

}  // namespace

std::vector<CtyEntity> ParseCtyDat(std::string_view text, int* skipped) {
  std::vector<CtyEntity> out;
  if (skipped) *skipped = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    // Header line: eight colon-terminated fields.
    auto eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view header = text.substr(pos, eol - pos);
    pos = eol + 1;
    if (Trim(header).empty()) continue;
    CtyEntity e;
    std::size_t f = 0;
    e.name = Field(header, f);
    e.cq = Field(header, f);
    e.itu = Field(header, f);
    e.continent = Field(header, f);
    Field(header, f);  // latitude
    Field(header, f);  // longitude
    Field(header, f);  // UTC offset
    e.primary = AsciiUpper(Field(header, f));
    if (!e.primary.empty() && e.primary[0] == '*') e.primary.erase(0, 1);
    // Alias lines up to the ';'.
    const auto end = text.find(';', pos);
    if (end == std::string_view::npos || e.primary.empty()) {
      if (skipped) ++*skipped;
      break;
    }
    std::string_view list = text.substr(pos, end - pos);
    pos = end + 1;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
    std::size_t start = 0;
    while (start <= list.size()) {
      auto comma = list.find(',', start);
      if (comma == std::string_view::npos) comma = list.size();
      const Text raw = Trim(Text(list.substr(start, comma - start)).erase(0, 0));
      Text clean;
      for (char c : raw)
        if (c != '\n' && c != '\r' && c != ' ') clean += c;
      if (!clean.empty()) e.aliases.push_back(ParseAlias(clean, e));
      start = comma + 1;
    }
    out.push_back(std::move(e));
  }
  return out;
}

std::map<Text, int> ParseCtyCsv(std::string_view text) {
  std::map<Text, int> numbers;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string prefix, name, number;
    if (!std::getline(fields, prefix, ',') || !std::getline(fields, name, ',') || !std::getline(fields, number, ','))
      continue;
    if (!prefix.empty() && prefix[0] == '*') prefix.erase(0, 1);
    try {
      numbers[AsciiUpper(prefix)] = std::stoi(number);
    } catch (...) {
    }
  }
  return numbers;
}

bool ImportCty(SuiteFiles& files, const std::vector<CtyEntity>& entities, const std::map<Text, int>& numbers,
               CtyImportCounts& counts) {
  store::FileManager& fm = files.fm();
  // The new tables are built beside the old ones, which stay in use until
  // the new ones are complete and then give way whole.
  store::FileBlockSpec prefix_spec = SuiteFileSpec(SuiteFile::kPrefixes);
  store::FileBlockSpec exact_spec = SuiteFileSpec(SuiteFile::kPrefixOverrides1);
  prefix_spec.file_name = "QVPREFNE";
  exact_spec.file_name = "QVPREENE";
  store::FileBlock* prefixes = files.OpenSpec(prefix_spec);
  store::FileBlock* exact = files.OpenSpec(exact_spec);
  if (!prefixes || !exact) return false;
  fm.EmptyFileBlock(prefixes);
  fm.EmptyFileBlock(exact);
  fm.SetFlushAfterWrite(prefixes, false);
  fm.SetFlushAfterWrite(exact, false);
  bool ok = true;
  for (const CtyEntity& e : entities) {
    int number = 0;
    if (auto it = numbers.find(e.primary); it != numbers.end()) number = it->second;
    if (number == 0) number = DxccNumberOfTablePrefix(e.primary);
    for (const CtyAlias& a : e.aliases) {
      if (!a.exact && a.text.size() > 6) {
        ++counts.too_long;
        continue;
      }
      store::FileBlock* fb = a.exact ? exact : prefixes;
      fm.ClearRecord(fb);
      Bytes r = fm.RecordBuffer(fb);
      PutText(r, kPrefix, Cut(a.text, 6));
      PutText(r, kDxccPrefix, Cut(e.primary, 6));
      PutText(r, kCqZone, Cut(a.cq, 2));
      PutText(r, kItuZone, Cut(a.itu, 2));
      PutText(r, kContinent, Cut(a.continent, 2));
      PutText(r, kCountry, Cut(e.name, 30));
      PutI16(r, kDxccNumber.offset, static_cast<std::int16_t>(number));
      if (a.exact) PutText(r, kRemark, Cut(a.text, 40));  // the whole call, for the operator
      const int status = fm.AddRecord(fb);
      if (status == 0) {
        ++(a.exact ? counts.exact_calls : counts.prefixes);
      } else if (status == 1 && a.exact) {
        // The field holds six characters: a longer exact call whose first six
        // another exact call already holds cannot have an entry of its own.
        ++counts.refused;
        counts.refused_calls.push_back(a.text);
      } else {
        ok = false;
      }
    }
  }
  fm.SetFlushAfterWrite(prefixes, true);
  fm.SetFlushAfterWrite(exact, true);
  ok = fm.Flush(prefixes) == 0 && fm.Flush(exact) == 0 && ok;
  if (ok) {
    store::FileBlock* old_prefixes = files.OpenSuiteFile(SuiteFile::kPrefixes);
    store::FileBlock* old_exact = files.OpenSuiteFile(SuiteFile::kPrefixOverrides1);
    ok = old_prefixes && old_exact && fm.ReplaceFiles(old_prefixes, prefixes) == 0 &&
         fm.ReplaceFiles(old_exact, exact) == 0;
    files.CloseSuiteFile(SuiteFile::kPrefixOverrides1);
    files.CloseSuiteFile(SuiteFile::kPrefixes);
  }
  if (!ok) {  // the old tables stay; the half-built ones go
    fm.EmptyFileBlock(prefixes);
    fm.EmptyFileBlock(exact);
  }
  files.CloseName(exact_spec.file_name);
  files.CloseName(prefix_spec.file_name);
  return ok;
}

}  // namespace vek
