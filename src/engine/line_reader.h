// Reads a single-byte text file line by line through a buffer. A line ends at a carriage
// return or a line feed; a CR-LF pair therefore yields the line and then an empty one, which
// every caller drops with its length filter.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vandrel {

class LineReader {
 public:
  // Opens the file for reading; a file that cannot be opened throws vandrel::Error 53 (not
  // found) or 75 (no access), naming it.
  explicit LineReader(const std::string& path);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // True when every byte has been read.
  bool AtEnd();

  // The next line without its line end and without any byte equal to `textDelimCode` (0 for
  // no delimiter, which drops NUL bytes). While `skipCount` is above 0, whole lines are
  // consumed and counted down first; there any line end counts, CR, LF or CR-LF as one.
  const std::string& preparariga(std::int64_t& skipCount, int textDelimCode);

 private:
  bool Fill();

  int fd_ = -1;
  std::string path_;
  std::unique_ptr<char[]> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  bool lfEndsSkippedLine_ = false;  // a CR just ended a skipped line; an LF right after is its pair
  std::string line_;
};

}  // namespace vandrel
