// The contest note: one text file per log beside the program, newest
// remarks first, each opening stamped with a header line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/text.h"
#include "store/os_file.h"

namespace vek {

// The log name's blanks, '+', '-', digits, ASCII letters and '_' in their
// order, then ".TXT"; everything else is dropped.
Text NoteFileName(std::string_view log_name);
// UTC date "dd.mm.yyyy", blank, time "hh:mm", blank, the call cut or padded
// to 10, " > ": 30 characters; the remark follows on the same line.
Text NoteHeader(UtcInstant now, std::string_view call);
// Where the cursor stands after the header.
inline constexpr std::size_t kNoteCursor = 10 + 5 + 15;

// Puts the header line before the first line and writes the file at once,
// so the stamp stays even when the window is closed without saving. Gives
// the text for the window (lines joined by "\n"); nullopt when the file
// cannot be written.
std::optional<Text> StampNotes(store::OsFileSystem& fs, const std::string& path, std::string_view header);
// "ESC: Speichern und Beenden" and "Drucken": the window's text into the file (CR LF lines).
bool SaveNotes(store::OsFileSystem& fs, const std::string& path, std::string_view text);

}  // namespace vek
