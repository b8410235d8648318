// Walks over the contacts of an open contest log in the order of one index,
// band-change entries left out, as every output reads the log.
#pragma once

#include <functional>

#include "base/record_bytes.h"
#include "store/file_manager.h"

namespace vek {

// `visit` sees each contact's record; returning false stops the walk. A
// log that could not be opened (null) has no contacts.
void WalkContacts(store::FileManager& fm, store::FileBlock* log, int key,
                  const std::function<bool(ConstBytes record)>& visit);

}  // namespace vek
