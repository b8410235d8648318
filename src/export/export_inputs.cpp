#include "export/export_inputs.h"

#include "store/keys.h"

namespace vek {

const EntryClass* ExportInputs::Class() const {
  const int n = ClassNumber();
  if (n < 1 || n > static_cast<int>(definition.Classes.size())) return nullptr;
  return &definition.Classes[static_cast<std::size_t>(n - 1)];
}

ExportInputs ExportInputsFrom(const SetupContext& ctx) {
  ExportInputs in;
  in.definition = *ctx.definition;
  in.contest_code = ctx.contest_code;
  const ConstBytes kk = ctx.fm->RecordBuffer(ctx.qvkk);
  in.qvkk.assign(kk.begin(), kk.end());
  in.log_number = GetI32(kk, qvkk::kLogNumber.offset);
  const ConstBytes kz = ctx.fm->RecordBuffer(ctx.qvkz);
  if (GetI32(kz, qvkz::kLogNumber.offset) == in.log_number) in.qvkz.assign(kz.begin(), kz.end());
  in.station = *ctx.station;
  in.english = ctx.english;
  in.clock = ctx.clock;
  in.files = ctx.files;
  in.suffixes = ctx.suffixes;
  in.program_folder = ctx.program_folder;
  return in;
}

std::optional<ExportInputs> ExportInputsFor(CatalogueController& c, std::int32_t log_number,
                                            const Clock& clock) {
  if (!c.Select(log_number) || !c.HasCurrent()) return std::nullopt;
  c.RebuildDefinition();
  ExportInputs in;
  in.definition = c.definition();
  in.contest_code = c.contest_code();
  in.log_number = log_number;
  store::FileManager& fm = c.fm();
  const ConstBytes kk = fm.RecordBuffer(c.qvkk());
  in.qvkk.assign(kk.begin(), kk.end());
  // A log never opened for logging has no totals record yet: its totals are zeros.
  if (fm.FindKey(c.qvkz(), 1, store::LongToKey(log_number)) == 0) {
    const ConstBytes kz = fm.RecordBuffer(c.qvkz());
    in.qvkz.assign(kz.begin(), kz.end());
  }
  in.station = c.station();
  in.english = c.english();
  in.clock = &clock;
  in.files = &c.files();
  in.suffixes = &c.suffixes();
  return in;
}

}  // namespace vek
