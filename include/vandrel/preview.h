// The first lines or records of a text file, as the wizard's previews show them: decoded to
// UTF-8 as the import decodes them (a line that is not valid in the file's encoding shows its
// bad bytes as U+FFFD), and cut into fields by the import's own cutters, so that what the user
// sees is what the import stores. Reading stops as soon as enough has been read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vandrel/encoding.h"
#include "vandrel/layout.h"

namespace vandrel {

// At most `maxLines` physical lines after the first `skip` lines. Throws vandrel::Error when
// the file cannot be opened or read.
std::vector<std::string> ReadPreviewLines(const std::string& path, TextEncoding encoding,
                                          std::size_t maxLines, std::int64_t skip = 0);

// The fields of the first `maxRows` records after the layout's skipped lines, one row per
// record. Delimited records are read as the import reads them (a quoted field may hold line
// ends), and those the import would log instead of storing (never closed, too long, not valid
// text, too short to hold data) are left out; fixed-width lines are taken as they come.
// Throws vandrel::Error when the file cannot be read.
std::vector<std::vector<std::string>> PreviewRows(const std::string& path, TextEncoding encoding,
                                                  const TextLayout& layout, std::size_t maxRows);

}  // namespace vandrel
