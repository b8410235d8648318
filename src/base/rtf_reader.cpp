#include "base/rtf_reader.h"

#include <string>

#include "base/cp1252.h"

namespace vek {
namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct State {
  RtfRun format;  // text empty; the current character format
  bool skip = false;
  int unicode_skip = 1;
};

bool SkippedDestination(std::string_view word) {
  for (std::string_view d : {"fonttbl", "colortbl", "stylesheet", "info", "pict", "object", "header",
                             "footer", "headerl", "headerr", "footerl", "footerr", "listtable",
                             "listoverridetable", "revtbl", "rsidtbl", "generator", "themedata",
                             "colorschememapping", "latentstyles", "datastore", "xmlnstbl", "fldinst"})
    if (word == d) return true;
  return false;
}

class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}

  std::optional<RtfDocument> Run() {
    if (in_.substr(0, 5) != "{\\rtf") return std::nullopt;
    std::vector<State> stack;
    State state;
    doc_.paragraphs.emplace_back();
    while (pos_ < in_.size()) {
      const char c = in_[pos_++];
      if (c == '{') {
        stack.push_back(state);
        // "{\*\dest ...}": a destination this reader does not know.
        if (in_.substr(pos_, 2) == "\\*") state.skip = true;
      } else if (c == '}') {
        if (stack.empty()) return std::nullopt;
        state = stack.back();
        stack.pop_back();
        if (stack.empty()) return Finish();
      } else if (c == '\\') {
        ControlWord(state);
      } else if (c == '\r' || c == '\n') {
        continue;
      } else if (!state.skip) {
        Emit(state, Text(1, c));
      }
    }
    return std::nullopt;  // the outer group never closed
  }

 private:
  std::optional<RtfDocument> Finish() {
    while (!doc_.paragraphs.empty() && doc_.paragraphs.back().runs.empty()) doc_.paragraphs.pop_back();
    return doc_;
  }

  void Emit(const State& s, const Text& text) {
    auto& runs = doc_.paragraphs.back().runs;
    const RtfRun& f = s.format;
    if (!runs.empty()) {
      RtfRun& last = runs.back();
      if (last.bold == f.bold && last.italic == f.italic && last.underline == f.underline &&
          last.half_points == f.half_points) {
        last.text += text;
        return;
      }
    }
    RtfRun run = f;
    run.text = text;
    runs.push_back(std::move(run));
  }

  void ControlWord(State& s) {
    if (pos_ >= in_.size()) return;
    const char c = in_[pos_];
    if (!IsLetter(c)) {
      ++pos_;
      if (c == '\'') {
        const int hi = pos_ < in_.size() ? HexValue(in_[pos_]) : -1;
        const int lo = pos_ + 1 < in_.size() ? HexValue(in_[pos_ + 1]) : -1;
        if (hi >= 0 && lo >= 0) {
          pos_ += 2;
          if (!s.skip) Emit(s, Text(1, static_cast<char>(hi * 16 + lo)));
        }
      } else if (c == '\\' || c == '{' || c == '}') {
        if (!s.skip) Emit(s, Text(1, c));
      } else if (c == '~') {
        if (!s.skip) Emit(s, Text(1, '\xa0'));
      } else if (c == '*') {
        s.skip = true;
      }
      return;
    }
    const std::size_t start = pos_;
    while (pos_ < in_.size() && IsLetter(in_[pos_])) ++pos_;
    const std::string_view word = in_.substr(start, pos_ - start);
    bool has_number = false;
    long number = 0;
    bool negative = false;
    if (pos_ < in_.size() && in_[pos_] == '-') negative = true, ++pos_;
    while (pos_ < in_.size() && IsDigit(in_[pos_])) {
      has_number = true;
      if (number < 1000000) number = number * 10 + (in_[pos_] - '0');
      ++pos_;
    }
    if (negative) number = -number;
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;  // the delimiter belongs to the word

    if (SkippedDestination(word)) {
      s.skip = true;
      return;
    }
    const bool on = !has_number || number != 0;
    if (word == "par" || word == "line") {
      if (!s.skip) doc_.paragraphs.emplace_back();
    } else if (word == "tab") {
      if (!s.skip) Emit(s, "\t");
    } else if (word == "b") {
      s.format.bold = on;
    } else if (word == "i") {
      s.format.italic = on;
    } else if (word == "ul") {
      s.format.underline = on;
    } else if (word == "ulnone") {
      s.format.underline = false;
    } else if (word == "fs" && has_number && number > 0) {
      s.format.half_points = static_cast<int>(number);
    } else if (word == "plain") {
      s.format = RtfRun{};
    } else if (word == "uc" && has_number) {
      s.unicode_skip = static_cast<int>(number < 0 ? 0 : number);
    } else if (word == "u" && has_number) {
      UnicodeCharacter(s, number < 0 ? number + 65536 : number);
    } else if (word == "emdash" || word == "endash") {
      if (!s.skip) Emit(s, Text(1, word == "emdash" ? '\x97' : '\x96'));
    } else if (word == "bullet") {
      if (!s.skip) Emit(s, Text(1, '\x95'));
    } else if (word == "lquote" || word == "rquote") {
      if (!s.skip) Emit(s, Text(1, word == "lquote" ? '\x91' : '\x92'));
    } else if (word == "ldblquote" || word == "rdblquote") {
      if (!s.skip) Emit(s, Text(1, word == "ldblquote" ? '\x93' : '\x94'));
    }
  }

  void UnicodeCharacter(const State& s, long code) {
    if (!s.skip) {
      std::string utf8;
      const auto cp = static_cast<unsigned long>(code);
      if (cp < 0x80) {
        utf8 += static_cast<char>(cp);
      } else if (cp < 0x800) {
        utf8 += static_cast<char>(0xC0 | (cp >> 6));
        utf8 += static_cast<char>(0x80 | (cp & 0x3F));
      } else {
        utf8 += static_cast<char>(0xE0 | (cp >> 12));
        utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (cp & 0x3F));
      }
      Emit(s, Utf8ToCp1252(utf8));
    }
    // The fallback characters that follow stand for the same character.
    for (int n = 0; n < s.unicode_skip && pos_ < in_.size(); ++n) {
      if (in_[pos_] == '\\' && pos_ + 1 < in_.size() && in_[pos_ + 1] == '\'') {
        pos_ += 4;
      } else if (in_[pos_] == '{' || in_[pos_] == '}') {
        break;
      } else {
        ++pos_;
      }
    }
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  RtfDocument doc_;
};

}  // namespace

Text RtfParagraph::PlainText() const {
  Text out;
  for (const RtfRun& r : runs) out += r.text;
  return out;
}

Text RtfDocument::PlainText() const {
  Text out;
  for (std::size_t i = 0; i < paragraphs.size(); ++i) {
    if (i) out += '\n';
    out += paragraphs[i].PlainText();
  }
  return out;
}

std::optional<RtfDocument> ReadRtf(std::string_view bytes) { return Reader(bytes).Run(); }

}  // namespace vek
