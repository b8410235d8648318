#include "catalogue/contest_rules.h"

#include "base/cp1252.h"

namespace vek {

std::optional<Text> RulesFileName(char code) {
  struct Entry {
    char code;
    const char* file;
  };
  static constexpr Entry kFiles[] = {
      {'1', "darc10r.RTF"}, {'2', "WNQACr.RTF"}, {'3', "WNCr.RTF"}, {'4', "RTCR.RTF"},
      {'5', "PARTYR.RTF"}, {'8', "agcwr.RTF"}, {'9', "VEKFIELDDAYR.RTF"}, {'A', "CWR.RTF"},
      {'C', "bbR.RTF"}, {'E', "EUTAGR.RTF"}, {'G', "HessenR.RTF"}, {'I', "kwnordseeR.RTF"},
      {'K', "koelnaachenR.RTF"}, {'L', "ruhrgebietR.RTF"}, {'M', "DMPARTYR.RTF"}, {'N', "nacr.RTF"},
      {'O', "shR.RTF"}, {'P', "PARTYFR.RTF"}, {'Q', "schwabenr.RTF"}, {'R', "RheinlandpfalzR.RTF"},
      {'S', "HSWR.RTF"}, {'T', "thueringenR.RTF"}, {'U', "bocR.RTF"}, {'W', "WAGR.RTF"},
      {'X', "XMASR.RTF"}, {'Y', "VFDBR.RTF"}, {'Z', "iparcR.RTF"}, {'a', "VEKNORDRHEINR.RTF"},
      {'b', "OQRPR.RTF"}, {'c', "WNAr.RTF"}, {'f', "HappynewyearR.RTF"}, {'h', "rlpwocheR.RTF"},
      {'i', "navalR.RTF"}, {'k', "qcwar.RTF"}, {'l', "nordseeR.RTF"},
      // The VHF/UHF Nordsee contest has rules of its own, not those of the
      // default file, which describes another contest.
      {'g', kOwnRulesFile},
  };
  if (RulesWebAddress(code)) return std::nullopt;
  for (const Entry& e : kFiles)
    if (e.code == code) return Text(e.file);
  return Text("MVPR.RTF");
}

std::optional<Text> RulesWebAddress(char code, bool english) {
  switch (code) {
    case '6': return Text("https://www.highspeedclub.org/contest");
    case '7': return Text("https://www.digparty.de/regeln");
    case 'B': return Text("https://www.bwa-contest.de/regeln");
    case 'D': return Text("https://www.darc.de/dtc/ausschreibung");
    case 'F': return Text("https://www.franken-contest.de/ausschreibung");
    case 'H': return Text("https://www.iarc.org/iarc/holyland/rules");
    case 'J': return Text("https://www.hamburg-contest.de/ausschreibung");
    case 'V': return Text("https://www.mvp-contest.de/ausschreibung");
    case 'd': return Text("https://www.saar-contest.de/ausschreibung");
    case 'e': return Text("https://www.nord-contest.de/ausschreibung");
    case 'j':
      return Text(english ? "https://www.mmmonvhf.de/ms-sprint/rules_en.pdf"
                          : "https://www.mmmonvhf.de/ms-sprint/rules_de.pdf");
    default: return std::nullopt;
  }
}

Text LinkTarget(std::string_view target) {
  Text out(target);
  for (char& c : out)
    if (static_cast<unsigned char>(c) == 216) c = '0';
  if (out.find('@') != Text::npos && Cp1252Upper(out).find("MAILTO") == Text::npos) out = "mailto:" + out;
  return out;
}

std::vector<OutputMenuEntry> OutputMenu(const ContestDefinition& d) {
  const auto has = [&](int item) { return d.OutputItems.test(static_cast<std::size_t>(item)); };
  std::vector<OutputMenuEntry> menu = {
      {has(3) ? "STF-Datei (empfohlen)" : "STF-Datei", 3, false, false, 9},
      {has(13) ? "EDI-Datei (empfohlen)" : "EDI-Datei", 13, false, true, 16},
      {"E-Log Gesamtdatei", 0, false, false, 13},
      {"E-Log Deckblatt", 1, false, false, 7},
      {"E-Log QSO-Liste", 2, false, false, 8},
      {"E-Log Band-Liste", 10, false, false, 12},
      {"E-Log Multi-Checkliste", 12, false, false, 15},
      {"Cabrillo-Datei", 9, false, true, 0},
      {"ADIF- Exportdatei der QSO-Liste", 4, false, false, 10},
      {"CSV- Exportdatei der QSO-Liste", 0, false, true, 14},
      {"Papierlog - Deckblatt", 5, false, false, 1},
      {"Papierlog - QSO-Liste", 6, false, false, 5},
      {"Papierlog - Band-Liste", 7, false, false, 4},
      {"Papierlog - Multi-Checkliste", 8, false, false, 3},
  };
  // No contest offers a Cabrillo file: its item stays disabled.
  for (OutputMenuEntry& e : menu) e.enabled = e.item == 0 || (e.item != 9 && has(e.item));
  return menu;
}

}  // namespace vek
