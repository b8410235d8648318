// Everything the core says to the person at the keyboard goes through this
// one interface: the desktop program answers with real dialogs, the
// command-line companion from its flags, tests from a script. Texts are in
// the core's Windows-1252 form.
#pragma once

#include <string_view>
#include <vector>

#include "base/text.h"

namespace vek {

class UserPort {
 public:
  virtual ~UserPort() = default;

  // Information box with an OK button.
  virtual void Inform(std::string_view message, std::string_view caption = {}) = 0;
  // Confirmation box with Yes and No; true for Yes.
  virtual bool AskYesNo(std::string_view question, std::string_view caption = {}) = 0;
  virtual void Beep() = 0;
  // A list to pick one entry from; the index taken, or -1 when cancelled.
  virtual int Choose(std::string_view caption, const std::vector<Text>& entries, int preselected) = 0;

  // The dialog in which the operator picks one of several countries that
  // share `prefix`; rows as the prefix lookup builds them. -1 when cancelled.
  virtual int ChoosePrefixCountry(std::string_view prefix, const std::vector<Text>& rows) {
    (void)prefix;
    return Choose("Auswahl DXCC", rows, 0);
  }

  // Progress window of long runs (renumbering, recounts, imports).
  virtual void ProgressBegin(std::string_view caption, int total) = 0;
  virtual void ProgressStep(int done) = 0;
  virtual void ProgressEnd() = 0;
};

}  // namespace vek
