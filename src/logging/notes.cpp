#include "logging/notes.h"

#include <optional>
#include <vector>

#include "base/date_time_format.h"
#include "store/replacing_file.h"

namespace vek {
namespace {

std::vector<Text> Lines(const Text& text) {
  std::vector<Text> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == Text::npos) end = text.size();
    Text line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

}  // namespace

Text NoteFileName(std::string_view log_name) {
  Text name;
  for (char c : log_name) {
    const bool keep = c == ' ' || c == '+' || c == '-' || c == '_' || (c >= '0' && c <= '9') ||
                      (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (keep) name += c;
  }
  return name + ".TXT";
}

Text NoteHeader(UtcInstant now, std::string_view call) {
  return FormatDate(now.day, DateForm::kDdMmYyyy) + " " + FormatTime(now.second, TimeForm::kHhMm) + " " +
         PadRight(Cut(call, 10), 10) + " > ";
}

std::optional<Text> StampNotes(store::OsFileSystem& fs, const std::string& path, std::string_view header) {
  std::vector<Text> lines = Lines(store::ReadWholeFile(fs, path));
  lines.insert(lines.begin(), Text(header));
  Text shown;
  for (std::size_t i = 0; i < lines.size(); ++i) shown += (i ? "\n" : "") + lines[i];
  if (!SaveNotes(fs, path, shown)) return std::nullopt;
  return shown;
}

bool SaveNotes(store::OsFileSystem& fs, const std::string& path, std::string_view text) {
  Text out;
  for (const Text& line : Lines(Text(text))) out += line + "\r\n";
  // A full disk leaves the notes as they were.
  return store::ReplaceFileContents(fs, path, out) == 0;
}

}  // namespace vek
