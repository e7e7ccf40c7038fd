#include "engine/line_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "vandrel/error.h"

namespace vandrel {
namespace {
constexpr std::size_t kBufferSize = 1 << 20;
}  // namespace

LineReader::LineReader(const std::string& path) : file_(path, File::Mode::Read) {
  buffer_.resize(kBufferSize);
}

bool LineReader::Fill(std::size_t keep) {
  if (eof_) return false;
  // Move the kept and unread bytes to the front; grow the buffer for a line longer than it.
  const std::size_t start = pos_ - keep;
  std::memmove(buffer_.data(), buffer_.data() + start, end_ - start);
  end_ -= start;
  pos_ = keep;
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
  const std::size_t n = file_.Read(buffer_.data() + end_, buffer_.size() - end_);
  end_ += n;
  eof_ = n == 0;
  return n > 0;
}

bool LineReader::AtEnd() {
  return pos_ == end_ && !Fill();
}

std::string_view LineReader::preparariga(std::int64_t& skipCount) {
  while (skipCount > 0) {
    if (pos_ == end_ && !Fill()) return {};
    const char c = buffer_[pos_++];
    if (lfEndsSkippedLine_) {
      lfEndsSkippedLine_ = false;
      if (c == '\n') continue;
    }
    if (c == '\n' || c == '\r') {
      --skipCount;
      lfEndsSkippedLine_ = c == '\r';
    }
  }
  if (lfEndsSkippedLine_) {
    lfEndsSkippedLine_ = false;
    if ((pos_ < end_ || Fill()) && buffer_[pos_] == '\n') ++pos_;
  }

  // Find the line end, reading on while the buffer holds none.
  std::size_t scanned = 0;  // bytes of the line already known to hold no line end
  std::size_t stop;
  for (;;) {
    const char* from = buffer_.data() + pos_ + scanned;
    const std::size_t length = end_ - pos_ - scanned;
    const void* lf = std::memchr(from, '\n', length);
    const std::size_t upTo =
        lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - from) : length;
    const void* cr = std::memchr(from, '\r', upTo);
    if (cr || lf) {
      stop = pos_ + scanned +
             (cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - from) : upTo);
      break;
    }
    scanned += length;
    const std::size_t keep = end_ - pos_;
    pos_ = end_;
    const bool more = Fill(keep);
    pos_ -= keep;  // the line's start, wherever Fill moved it
    if (!more) {   // the last line needs no line end
      stop = end_;
      break;
    }
  }

  const std::string_view line(buffer_.data() + pos_, stop - pos_);
  pos_ = std::min(stop + 1, end_);  // past the line end
  return line;
}

}  // namespace vandrel
