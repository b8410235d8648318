// What an entry session needs, taken from the program's catalogue: the log's
// records, the definition built for it, the station and the clock.
#pragma once

#include <cstdint>
#include <optional>

#include "catalogue/catalogue_controller.h"
#include "logging/entry_session.h"

namespace vek {

// Selects the log, makes sure its totals record exists and builds its
// definition; nullopt when the catalogue holds no such log of this program.
std::optional<EntryContext> EntryContextFor(CatalogueController& catalogue, std::int32_t log_number,
                                            const Clock& clock, UserPort& port);

// The log's stored totals (catalogue record or totals record) into their
// two buffers after a session closed: writes both records.
bool WriteBackLogRecords(CatalogueController& catalogue, std::int32_t log_number);

}  // namespace vek
