// Reads a text file line by line as UTF-8, whatever its encoding: Windows-1252, UTF-8 or
// UTF-16 (either byte order), named or found out (a byte-order mark decides; without one, the
// first 64 KiB after the first byte that is not ASCII: valid UTF-8 there means UTF-8, anything
// else Windows-1252). A line ends at CR, LF or CR-LF. Reading streams through a fixed buffer:
// a line longer than kMaxRecordBytes of the file is not kept, only reported.
//
// Lines are handed out as views, valid until the next call on the reader.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/encoding.h"
#include "util/file.h"

namespace vandrel {

// The most bytes of the file one record may take.
inline constexpr std::size_t kMaxRecordBytes = 1 << 20;

struct TextLine {
  enum class State {
    Ok,
    Invalid,  // not valid in the file's encoding: `text` shows the bad bytes as U+FFFD
    TooLong   // longer than kMaxRecordBytes: `text` is empty, the line was passed over
  };
  std::string_view text;    // UTF-8, without the line end
  std::string_view end;     // the line end as found ("\n", "\r\n", "\r"), "" at the end
  std::int64_t offset = 0;  // where the line starts in the file
  std::int64_t bytes = 0;   // how many bytes of the file it takes, line end included
  State state = State::Ok;
};

class TextReader {
 public:
  // Opens the file (vandrel::Error 53 when it is missing or not a regular file, 75 when it
  // cannot be read). A byte-order mark of the encoding in use is passed over.
  TextReader(const std::string& path, TextEncoding encoding);

  // The next line; false at the end of the file.
  bool Next(TextLine& line);
  // Passes over `count` lines.
  void Skip(std::int64_t count);
  // Reads on from `offset`, the start of a line handed out before.
  void Rewind(std::int64_t offset);

  // How many bytes of the file have been handed out as lines (or passed over), and its size.
  std::int64_t BytesRead() const { return bufferStart_ + static_cast<std::int64_t>(pos_); }
  std::int64_t FileSize() const { return static_cast<std::int64_t>(file_.Size()); }

  // The encoding the file is read in (Auto until it has been found out).
  TextEncoding encoding() const { return encoding_; }

 private:
  bool Fill(std::size_t keep);
  // The index of the first line end at or after `from`, or end_ when the buffered bytes hold
  // none.
  std::size_t FindLineEnd(std::size_t from) const;
  std::size_t LineEndLength(std::size_t at) const;
  bool PassOverLongLine(TextLine& line);
  // Finds out the encoding from the text after `at`, the first byte (from the line's start)
  // that is not ASCII.
  void Decide(std::size_t at);
  void Decode(std::string_view raw, TextLine& line);

  File file_;
  TextEncoding encoding_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;           // next unread byte
  std::size_t end_ = 0;           // end of the bytes read
  std::int64_t bufferStart_ = 0;  // the file offset of buffer_[0]
  bool eof_ = false;
  std::string decoded_;
  std::string end16_;
};

}  // namespace vandrel
