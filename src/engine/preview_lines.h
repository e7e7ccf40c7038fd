// The first lines of a text file, as the wizard's previews show them: a line ends at a
// carriage return, a line feed or a CR-LF pair (one line end), and a last line without a line
// end is a line too. Bytes are returned as read (single-byte text).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vandrel {

// At most `maxLines` lines after the first `skip` lines. Reads no further than it needs, and
// no more than `maxBytes` in all (a file without line ends is not read whole). Throws
// vandrel::Error when the file cannot be opened or read.
std::vector<std::string> ReadPreviewLines(const std::string& path, std::size_t maxLines,
                                          std::int64_t skip = 0, std::size_t maxBytes = 4u << 20);

}  // namespace vandrel
