// The first lines or records of a text file, as the wizard's previews show them: decoded to
// UTF-8 as the import decodes them (a line that is not valid in the file's encoding shows its
// bad bytes as U+FFFD). Reading stops as soon as enough has been read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "text/encoding.h"
#include "vandrel/layout.h"

namespace vandrel {

// At most `maxLines` physical lines after the first `skip` lines. Throws vandrel::Error when
// the file cannot be opened or read.
std::vector<std::string> ReadPreviewLines(const std::string& path, TextEncoding encoding,
                                          std::size_t maxLines, std::int64_t skip = 0);

// At most `maxRecords` records of a delimited file after the layout's skipped lines, read as
// the import reads them (a quoted field may hold line ends). Records the import would log
// instead of storing (never closed, too long, not valid text) are left out, as are records
// too short to hold data.
std::vector<std::string> ReadPreviewRecords(const std::string& path, TextEncoding encoding,
                                            const DelimitedLayout& layout, std::size_t maxRecords);

}  // namespace vandrel
