#include "engine/text_reader.h"

#include <algorithm>
#include <cstring>

#include "text/cp1252.h"

namespace vandrel {
namespace {

// Room for the longest line kept and what follows it while the encoding is found out.
constexpr std::size_t kBufferSize = 2 * kMaxRecordBytes + (64 << 10);
// How much text after the first byte that is not ASCII decides between UTF-8 and
// Windows-1252.
constexpr std::size_t kSniffWindow = 64 << 10;

bool IsUtf16(TextEncoding e) {
  return e == TextEncoding::Utf16LE || e == TextEncoding::Utf16BE;
}

}  // namespace

TextReader::TextReader(const std::string& path, TextEncoding encoding)
    : file_(path, File::Mode::Read), encoding_(encoding) {
  buffer_.resize(kBufferSize);
  Fill(0);
  if (const auto mark = DetectByteOrderMark(std::string_view(buffer_.data(), end_))) {
    if (encoding_ == TextEncoding::Auto) encoding_ = mark->encoding;
    if (encoding_ == mark->encoding) pos_ = mark->length;
  }
}

bool TextReader::Fill(std::size_t keep) {
  if (eof_) return false;
  // Move the bytes still needed to the front; read behind them.
  const std::size_t start = end_ - keep;
  std::memmove(buffer_.data(), buffer_.data() + start, keep);
  bufferStart_ += static_cast<std::int64_t>(start);
  pos_ -= std::min(pos_, start);
  end_ = keep;
  const std::size_t n = file_.Read(buffer_.data() + end_, buffer_.size() - end_);
  end_ += n;
  eof_ = n == 0;
  return n > 0;
}

std::size_t TextReader::FindLineEnd(std::size_t from) const {
  if (IsUtf16(encoding_)) {
    const bool big = encoding_ == TextEncoding::Utf16BE;
    for (std::size_t i = from; i + 1 < end_; i += 2) {
      const char hi = buffer_[big ? i : i + 1];
      const char lo = buffer_[big ? i + 1 : i];
      if (hi == 0 && (lo == '\n' || lo == '\r')) return i;
    }
    return end_;
  }
  const char* data = buffer_.data() + from;
  const std::size_t length = end_ - from;
  const void* lf = std::memchr(data, '\n', length);
  const std::size_t upTo =
      lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : length;
  const void* cr = std::memchr(data, '\r', upTo);
  if (cr) return from + static_cast<std::size_t>(static_cast<const char*>(cr) - data);
  return from + upTo;
}

// The length of the line end at `at` (CR-LF as one); the bytes after it must be buffered.
std::size_t TextReader::LineEndLength(std::size_t at) const {
  const std::size_t unit = IsUtf16(encoding_) ? 2 : 1;
  const bool big = encoding_ == TextEncoding::Utf16BE;
  const char c = buffer_[IsUtf16(encoding_) && !big ? at : at + unit - 1];
  if (c != '\r' || at + 2 * unit > end_) return unit;
  const char next = buffer_[at + unit + (big ? 1 : 0)];
  const char nextHigh = unit == 2 ? buffer_[at + unit + (big ? 0 : 1)] : 0;
  return next == '\n' && nextHigh == 0 ? 2 * unit : unit;
}

bool TextReader::Next(TextLine& line) {
  if (pos_ == end_ && !Fill(0)) return false;
  const std::size_t unit = IsUtf16(encoding_) ? 2 : 1;
  std::size_t scanned = 0;  // bytes after pos_ known to hold no line end
  std::size_t rel;          // where the line end is, after pos_
  for (;;) {
    const std::size_t stop = FindLineEnd(pos_ + scanned);
    if (stop - pos_ > kMaxRecordBytes) return PassOverLongLine(line);
    // A CR at the end of the buffered bytes may be the first half of a CR-LF pair.
    if (stop < end_ && (stop + 2 * unit <= end_ || eof_)) {
      rel = stop - pos_;
      break;
    }
    if (stop == end_ && eof_) {  // the last line needs no line end
      rel = end_ - pos_;
      break;
    }
    scanned = stop - pos_;
    scanned -= scanned % unit;
    Fill(end_ - pos_);
  }
  const std::size_t endLength = pos_ + rel < end_ ? LineEndLength(pos_ + rel) : 0;
  std::string_view raw(buffer_.data() + pos_, rel);
  if (encoding_ == TextEncoding::Auto && !IsAscii(raw)) {
    std::size_t first = 0;
    while (static_cast<unsigned char>(raw[first]) < 0x80) ++first;
    Decide(first);
    raw = std::string_view(buffer_.data() + pos_, rel);
  }
  line = TextLine{};
  line.offset = bufferStart_ + static_cast<std::int64_t>(pos_);
  line.bytes = static_cast<std::int64_t>(rel + endLength);
  Decode(raw, line);
  if (!IsUtf16(encoding_)) {
    line.end = std::string_view(buffer_.data() + pos_ + rel, endLength);
  } else if (endLength == 4) {
    line.end = "\r\n";
  } else if (endLength == 2) {
    const bool big = encoding_ == TextEncoding::Utf16BE;
    line.end = buffer_[pos_ + rel + (big ? 1 : 0)] == '\r' ? "\r" : "\n";
  }
  pos_ += rel + endLength;
  return true;
}

bool TextReader::PassOverLongLine(TextLine& line) {
  const std::size_t unit = IsUtf16(encoding_) ? 2 : 1;
  line = TextLine{};
  line.offset = bufferStart_ + static_cast<std::int64_t>(pos_);
  line.state = TextLine::State::TooLong;
  for (;;) {
    const std::size_t stop = FindLineEnd(pos_);
    if (stop < end_ && (stop + 2 * unit <= end_ || eof_)) {
      pos_ = stop + LineEndLength(stop);
      break;
    }
    if (stop == end_ && eof_) {
      pos_ = end_;
      break;
    }
    // Nothing scanned is kept but a CR that may pair with an LF, or half a UTF-16 unit.
    pos_ = stop < end_ ? stop : end_ - (end_ - pos_) % unit;
    Fill(end_ - pos_);
  }
  line.bytes = bufferStart_ + static_cast<std::int64_t>(pos_) - line.offset;
  return true;
}

void TextReader::Decide(std::size_t at) {
  // `at` counts from the line's start, which Fill may move.
  while (end_ - (pos_ + at) < kSniffWindow && !eof_) {
    if (!Fill(end_ - pos_)) break;
  }
  const std::size_t from = pos_ + at;
  const std::size_t length = std::min(kSniffWindow, end_ - from);
  const bool cut = from + length < end_ || !eof_;
  encoding_ = IsValidUtf8(std::string_view(buffer_.data() + from, length), cut)
                  ? TextEncoding::Utf8
                  : TextEncoding::Windows1252;
}

void TextReader::Decode(std::string_view raw, TextLine& line) {
  switch (encoding_) {
    case TextEncoding::Windows1252:
      if (IsAscii(raw)) {
        line.text = raw;
      } else {
        decoded_.clear();
        AppendCp1252AsUtf8(raw, decoded_);
        line.text = decoded_;
      }
      return;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
      decoded_.clear();
      if (!AppendUtf16AsUtf8(raw, encoding_ == TextEncoding::Utf16BE, decoded_)) {
        line.state = TextLine::State::Invalid;
      }
      line.text = decoded_;
      return;
    case TextEncoding::Auto:  // still undecided, so the line is ASCII
      line.text = raw;
      return;
    default:
      if (IsValidUtf8(raw)) {
        line.text = raw;
      } else {
        decoded_.clear();
        AppendUtf8Repaired(raw, decoded_);
        line.text = decoded_;
        line.state = TextLine::State::Invalid;
      }
      return;
  }
}

void TextReader::Skip(std::int64_t count) {
  TextLine line;
  for (std::int64_t i = 0; i < count && Next(line); ++i) {
  }
}

void TextReader::Rewind(std::int64_t offset) {
  file_.Seek(static_cast<std::size_t>(offset));
  bufferStart_ = offset;
  pos_ = end_ = 0;
  eof_ = false;
}

}  // namespace vandrel
