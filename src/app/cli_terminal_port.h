// The operator at the terminal: messages on stderr, questions answered by
// --yes, and everything said kept for the command's report.
#pragma once

#include <iostream>

#include "base/cp1252.h"
#include "base/scripted_user_port.h"

namespace vek::cli {

class TerminalPort : public ScriptedUserPort {
 public:
  explicit TerminalPort(bool yes) {
    SetDefaultAnswer(yes);
    SetEcho([](const Event& e) {
      if (e.kind == Kind::kInform) std::cerr << "note: " << Cp1252ToUtf8(e.text) << "\n";
      if (e.kind == Kind::kQuestion)
        std::cerr << "question: " << Cp1252ToUtf8(e.text) << " -> " << (e.value ? "yes" : "no") << "\n";
    });
  }
};

}  // namespace vek::cli
