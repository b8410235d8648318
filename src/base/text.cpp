#include "base/text.h"

namespace vek {

Text AsciiUpper(std::string_view text) {
  Text out(text);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

char Cp1252Upper(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 0x20);
  // à..þ except ÷ (0xF7) map 0x20 down; ß (0xDF) has no single upper case.
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 0x20);
  switch (u) {
    case 0x9A: return static_cast<char>(0x8A);  // š -> Š
    case 0x9C: return static_cast<char>(0x8C);  // œ -> Œ
    case 0x9E: return static_cast<char>(0x8E);  // ž -> Ž
    case 0xFF: return static_cast<char>(0x9F);  // ÿ -> Ÿ
    default: return c;
  }
}

Text Cp1252Upper(std::string_view text) {
  Text out(text);
  for (char& c : out) c = Cp1252Upper(c);
  return out;
}

namespace {
Text TrimSet(std::string_view text, std::string_view set, bool left) {
  const auto last = text.find_last_not_of(set);
  if (last == std::string_view::npos) return {};
  const auto first = left ? text.find_first_not_of(set) : 0;
  return Text(text.substr(first, last - first + 1));
}
}  // namespace

Text Trim(std::string_view text) { return TrimSet(text, " \t", true); }
Text TrimBlanks(std::string_view text) { return TrimSet(text, " ", true); }
Text TrimRightBlanks(std::string_view text) { return TrimSet(text, " ", false); }

Text PadRight(std::string_view text, std::size_t width) {
  Text out(text.substr(0, width));
  out.resize(width, ' ');
  return out;
}

Text PadLeft(std::string_view text, std::size_t width) {
  if (text.size() >= width) return Text(text);
  return Text(width - text.size(), ' ') + Text(text);
}

Text Centre(std::string_view text, std::size_t width) {
  if (text.size() >= width) return Text(text.substr(0, width));
  const std::size_t spare = width - text.size();
  const std::size_t left = spare / 2;
  return Text(left, ' ') + Text(text) + Text(spare - left, ' ');
}

Text Cut(std::string_view text, std::size_t width) { return Text(text.substr(0, width)); }

}  // namespace vek
