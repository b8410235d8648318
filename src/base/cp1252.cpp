#include "base/cp1252.h"

#include <array>
#include <cstdint>

namespace vek {
namespace {

// Code points of the bytes 0x80..0x9F. The five bytes Windows leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, as
// Windows itself does, so the mapping stays a bijection.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePointOf(unsigned char b) {
  if (b >= 0x80 && b <= 0x9F) return kHigh[b - 0x80];
  return b;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// -1 when the code point has no Windows-1252 byte.
int ByteOf(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (std::size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == cp) return static_cast<int>(0x80 + i);
  }
  return -1;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size() + cp1252.size() / 4);
  for (char c : cp1252) AppendUtf8(out, CodePointOf(static_cast<unsigned char>(c)));
  return out;
}

Text Utf8ToCp1252(std::string_view utf8, char replacement, bool* lossless) {
  Text out;
  out.reserve(utf8.size());
  bool clean = true;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    int extra = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      cp = lead & 0x07;
    } else {
      out += replacement;
      clean = false;
      ++i;
      continue;
    }
    bool ok = true;
    std::size_t j = 1;
    for (; ok && j <= static_cast<std::size_t>(extra); ++j) {
      if (i + j >= utf8.size()) {
        ok = false;
        break;
      }
      const auto cont = static_cast<unsigned char>(utf8[i + j]);
      if ((cont & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (cont & 0x3F);
    }
    // Overlong forms and surrogates are malformed, not characters.
    if (ok && ((extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) ||
               (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))) {
      ok = false;
    }
    if (!ok) {
      out += replacement;
      clean = false;
      i += (j > 1 ? j : 1);
      continue;
    }
    const int b = ByteOf(cp);
    if (b < 0) {
      out += replacement;
      clean = false;
    } else {
      out += static_cast<char>(b);
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  if (lossless) *lossless = clean;
  return out;
}

}  // namespace vek
