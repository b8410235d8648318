// Where the rules of a contest come from (a rich-text file beside the
// program or the organiser's web page), how a link target is prepared for
// the shell, and the items of the setup dialog's output menu.
#pragma once

#include <optional>
#include <vector>

#include "base/text.h"
#include "catalogue/contest_definition.h"

namespace vek {

// This edition's own rules text for its contest; the other codes keep
// their files.
inline constexpr const char* kOwnRulesFile = "nordseeukwR.RTF";

// The rules file of a code; nullopt for the codes whose rules are a web page.
std::optional<Text> RulesFileName(char contest_code);
// The organiser's page of those codes; code j has a German and an English one.
std::optional<Text> RulesWebAddress(char contest_code, bool english = false);

// A target of the rules table as the shell should open it: every slashed
// zero (code 216) becomes the digit 0, and an address with "@" that does not
// already say "MAILTO" in any case gets "mailto:" in front.
Text LinkTarget(std::string_view target);

struct OutputMenuEntry {
  Text caption;  // Windows-1252
  int item = 0;  // element of OutputItems; 0 for the items that are always enabled
  bool enabled = false;
  bool separator_after = false;
  int kind = 0;  // the output it runs (the output run's kind numbers); 0 for none
};
// The output menu in its order, enabled by the definition's OutputItems.
std::vector<OutputMenuEntry> OutputMenu(const ContestDefinition& d);

}  // namespace vek
