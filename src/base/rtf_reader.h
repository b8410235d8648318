// A small reader for the rich-text files that lie beside the program (the
// contest rules): paragraphs of runs with bold, italic, underline and size.
// Destinations it does not show (font and colour tables, pictures, document
// information, "\*" groups) are skipped; unknown control words are ignored,
// so a file from any word processor reads as its text.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace vek {

struct RtfRun {
  Text text;  // Windows-1252
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int half_points = 24;  // \fs: font size in half points
};

struct RtfParagraph {
  std::vector<RtfRun> runs;
  Text PlainText() const;
};

struct RtfDocument {
  std::vector<RtfParagraph> paragraphs;
  Text PlainText() const;  // paragraphs joined by "\n"
};

// nullopt when the bytes are not a rich-text file ("{\rtf" first) or its
// groups do not close; a reader never shows half a document.
std::optional<RtfDocument> ReadRtf(std::string_view bytes);

}  // namespace vek
