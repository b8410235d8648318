// A contest as the tests of whole logs of every contest code take it:
// class 1, own locator JO31AB, own DOK I38.
#pragma once

#include "catalogue/contest_definition.h"
#include "logging/scoring.h"

namespace vek {

inline ContestDefinition WholeLogDefinition(char code) {
  DefinitionInputs in;
  in.ContestCode = code;
  in.ClassNumber = 1;
  in.OwnLocator = "JO31AB";
  in.OwnDok = "I38";
  return BuildContestDefinition(in);
}

inline ScoringContext WholeLogScoring(const ContestDefinition& d, char code) {
  ScoringContext c;
  c.code = code;
  c.definition = &d;
  c.own_dok = "I38";
  c.own_locator = "JO31AB";
  c.class_number = 1;
  return c;
}

}  // namespace vek
