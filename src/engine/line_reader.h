// Reads a single-byte text file line by line through a buffer. A line ends at a carriage
// return or a line feed; a CR-LF pair therefore yields the line and then an empty one, which
// every caller drops with its length filter. Lines are handed out as views into the buffer,
// valid until the next read: an import copies nothing it does not have to.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/file.h"

namespace vandrel {

class LineReader {
 public:
  // Opens the file for reading; a file that cannot be opened throws vandrel::Error 53 (not
  // found) or 75 (no access), naming it.
  explicit LineReader(const std::string& path);
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // True when every byte has been read.
  bool AtEnd();

  // The next line without its line end, as read. While `skipCount` is above 0, whole lines
  // are consumed and counted down first; there any line end counts, CR, LF or CR-LF as one.
  std::string_view preparariga(std::int64_t& skipCount);

 private:
  // Reads more of the file behind the unread bytes, keeping the first `keep` bytes before
  // pos_ (a line being gathered) in front of them. False at the end of the file.
  bool Fill(std::size_t keep = 0);

  File file_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;  // next unread byte
  std::size_t end_ = 0;  // end of the bytes read
  bool eof_ = false;
  bool lfEndsSkippedLine_ = false;  // a CR just ended a skipped line; an LF right after is its pair
};

}  // namespace vandrel
