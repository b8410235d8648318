#include "logging/entry_context.h"

#include <ctime>

#include "catalogue/catalogue_records.h"
#include "store/keys.h"

namespace vek {
namespace {

// The machine's local time against UTC now, for a computer that keeps local time.
std::int32_t LocalOffsetSeconds() {
  const std::time_t now = std::time(nullptr);
  std::tm local{}, utc{};
  localtime_r(&now, &local);
  gmtime_r(&now, &utc);
  local.tm_isdst = 0;
  utc.tm_isdst = 0;
  return static_cast<std::int32_t>(std::difftime(std::mktime(&local), std::mktime(&utc)));
}

}  // namespace

std::optional<EntryContext> EntryContextFor(CatalogueController& c, std::int32_t log_number, const Clock& clock,
                                            UserPort& port) {
  if (!c.Select(log_number) || !c.EnsureTotalsRecord() || !c.Select(log_number)) return std::nullopt;
  store::FileManager& fm = c.fm();
  if (fm.FindKey(c.qvkz(), 1, store::LongToKey(log_number)) != 0) return std::nullopt;
  c.RebuildDefinition();
  EntryContext ctx;
  ctx.files = &c.files();
  ctx.port = &port;
  ctx.clock = &clock;
  ctx.definition = c.definition();
  ctx.definition_inputs = c.definition_inputs();
  ctx.contest_code = c.contest_code();
  ctx.log = EntryLogSettings::From(fm.RecordBuffer(c.qvkk()), fm.RecordBuffer(c.qvkz()));
  ctx.station = c.station();
  ctx.suffixes = &c.suffixes();
  ctx.english = c.english();
  ctx.local_offset_seconds = LocalOffsetSeconds();
  return ctx;
}

bool WriteBackLogRecords(CatalogueController& c, std::int32_t log_number) {
  store::FileManager& fm = c.fm();
  // The buffers hold the log's records with the totals the session stored.
  if (GetI32(fm.RecordBuffer(c.qvkk()), qvkk::kLogNumber.offset) != log_number) return false;
  const bool kk = fm.PutRecord(c.qvkk()) == 0;
  const bool kz = fm.PutRecord(c.qvkz()) == 0;
  return kk && kz;
}

}  // namespace vek
