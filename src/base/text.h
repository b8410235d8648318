// Texts inside the core are byte strings in Windows-1252, one byte per
// character, exactly as the record files and output files hold them. Widths
// and positions are byte counts. UTF-8 exists only at the edges (cp1252.h).
#pragma once

#include <string>
#include <string_view>

namespace vek {

using Text = std::string;

constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAsciiUpper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool IsAsciiLower(char c) { return c >= 'a' && c <= 'z'; }
constexpr char AsciiUpper(char c) { return IsAsciiLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }

// Upper-cases a-z only; call signs, locators and band texts use just these.
Text AsciiUpper(std::string_view text);

// Upper-cases like the Windows ANSI code page: a-z plus the accented letters
// of Windows-1252 (ä -> Ä, š -> Š, ÿ -> Ÿ ...). Used for names and towns.
char Cp1252Upper(char c);
Text Cp1252Upper(std::string_view text);

// Removes blanks and tab characters at both ends.
Text Trim(std::string_view text);
// Removes blanks (not tabs) at both ends / at the right end only.
Text TrimBlanks(std::string_view text);
Text TrimRightBlanks(std::string_view text);

// Left-aligned in exactly `width` characters: filled with blanks or cut.
Text PadRight(std::string_view text, std::size_t width);
// Right-aligned in `width` characters: filled with blanks on the left. A text
// longer than `width` is returned unchanged, so a number never loses digits.
Text PadLeft(std::string_view text, std::size_t width);
// Centred in exactly `width` characters; an odd blank goes to the right. A
// longer text is cut to `width`.
Text Centre(std::string_view text, std::size_t width);
// The first `width` characters (all of a shorter text).
Text Cut(std::string_view text, std::size_t width);

}  // namespace vek
