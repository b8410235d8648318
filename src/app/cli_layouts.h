// The record layouts the companion knows by file name, so that check and
// rebuild can compare and build the key texts of the suite's files.
#pragma once

#include <optional>
#include <string>

#include "store/file_block_opener.h"

namespace vek::cli {

std::optional<store::FileBlockSpec> KnownLayout(const std::string& file_name);

}  // namespace vek::cli
