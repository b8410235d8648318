// Reading ADIF files of other logbooks into the open contest log: the
// records and tags of a file, the dialog "ADIF-Import" without its window
// (tag list, field list, mapping, the check option), and the run that puts
// every record through the entry session exactly as a typed contact.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "logging/entry_session.h"

namespace vek {

// Files above this size are refused before they are read.
inline constexpr std::uint64_t kAdifFileLimit = 256ull * 1024 * 1024;

struct AdifFile {
  std::vector<Text> records;  // upper-cased, lines joined, one text per record
  std::vector<Text> tags;     // in order of first appearance, without EOR
};
AdifFile ReadAdifRecords(std::string_view bytes);
// The text between the tag's ">" and the next "<", trimmed; nullopt when
// the record has no such tag. The length in the tag is not used.
std::optional<Text> AdifValue(std::string_view record, std::string_view tag);

struct AdifCounts {
  std::int64_t records = 0, imported = 0, duplicates = 0, band_failures = 0, mode_failures = 0;
};
// "n Datensätze importiert" and the lines of the other counts above 0.
Text AdifImportMessage(const AdifCounts& counts);

// What a field-list entry fills.
enum class AdifTarget { kField, kBand, kFreq, kMode };

struct AdifFieldEntry {
  AdifFieldEntry(Text name_, AdifTarget target_, EntryFieldId field_)
      : name(std::move(name_)), target(target_), field(field_) {}
  Text name;  // "CALL", a contest caption, "SRX"
  AdifTarget target = AdifTarget::kField;
  EntryFieldId field = EntryFieldId::eCall;
  Text tag;  // the mapped tag; empty when none
  Text Shown() const { return tag.empty() ? name : name + " (" + tag + ")"; }
};

class AdifImport {
 public:
  explicit AdifImport(EntrySession& session);

  // "ADIF-Datei auswählen": false (and a message) when the file is missing
  // or too large.
  bool LoadFile(store::OsFileSystem& fs, const std::string& path);
  void LoadText(std::string_view bytes);
  const std::string& file_name() const { return file_name_; }

  const std::vector<Text>& tag_list() const { return tags_; }
  const std::vector<AdifFieldEntry>& field_list() const { return fields_; }
  std::size_t record_count() const { return file_.records.size(); }
  // Dropping a tag onto a field: nothing happens when the field is mapped
  // already or the tag is not in the list.
  bool Map(std::string_view tag, std::size_t field_index);
  // Each standard entry (and SRX/STX) onto the tag of the same name.
  void MapSame();
  bool start_enabled() const { return mapped_ > 0; }
  void SetNoCheck(bool no_check) { no_check_ = no_check; }
  bool no_check() const { return no_check_; }

  // "Start": every record through the entry session; the counts are shown
  // in an information box and returned.
  AdifCounts Start();

 private:
  void BuildFieldList();
  std::optional<Text> Value(const Text& record, AdifTarget target, EntryFieldId field) const;
  bool ImportRecord(const Text& record, AdifCounts& counts);

  EntrySession& session_;
  AdifFile file_;
  std::string file_name_;
  std::vector<Text> tags_;
  std::vector<AdifFieldEntry> fields_;
  int mapped_ = 0;
  bool no_check_ = false;
};

}  // namespace vek
