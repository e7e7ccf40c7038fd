#include "engine/line_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "vandrel/error.h"

namespace vandrel {
namespace {
constexpr std::size_t kBufferSize = 1 << 20;
}  // namespace

LineReader::LineReader(const std::string& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    const int error = errno;
    throw Error(error == ENOENT ? kErrFileNotFound : kErrPathFileAccess,
                "The text file '" + path + "' cannot be opened: " + std::strerror(error) + ".");
  }
  buffer_ = std::make_unique<char[]>(kBufferSize);
}

LineReader::~LineReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool LineReader::Fill() {
  if (eof_) return false;
  ssize_t n;
  do {
    n = ::read(fd_, buffer_.get(), kBufferSize);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    const int error = errno;
    throw Error(kErrPathFileAccess,
                "The text file '" + path_ + "' cannot be read: " + std::strerror(error) + ".");
  }
  pos_ = 0;
  end_ = static_cast<std::size_t>(n);
  eof_ = n == 0;
  return n > 0;
}

bool LineReader::AtEnd() { return pos_ == end_ && !Fill(); }

const std::string& LineReader::preparariga(std::int64_t& skipCount, int textDelimCode) {
  line_.clear();
  const char* buf = buffer_.get();
  while (skipCount > 0) {
    if (pos_ == end_ && !Fill()) return line_;
    const char c = buf[pos_++];
    if (lfEndsSkippedLine_) {
      lfEndsSkippedLine_ = false;
      if (c == '\n') continue;
    }
    if (c == '\n' || c == '\r') {
      --skipCount;
      lfEndsSkippedLine_ = c == '\r';
    }
  }
  const char delim = static_cast<char>(textDelimCode);
  for (;;) {
    if (pos_ == end_ && !Fill()) return line_;
    if (lfEndsSkippedLine_) {
      lfEndsSkippedLine_ = false;
      if (buf[pos_] == '\n') {
        ++pos_;
        continue;
      }
    }
    // Copy the run of ordinary bytes at once; stop at a line end or a delimiter.
    const char* start = buf + pos_;
    const char* stop = buf + end_;
    const char* p = start;
    while (p < stop && *p != '\n' && *p != '\r' && *p != delim) ++p;
    line_.append(start, p);
    pos_ = static_cast<std::size_t>(p - buf);
    if (p == stop) continue;
    ++pos_;
    if (*p == '\n' || *p == '\r') return line_;
    // A delimiter byte: dropped.
  }
}

}  // namespace vandrel
