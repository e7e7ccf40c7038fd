// The input files of the benchmark, generated from a fixed seed so that every run measures
// the same lines: a clean delimited file and its copies written other ways.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <stdexcept>
#include <string>

#include "bench.h"

namespace vandrel_bench {
namespace {

// Small deterministic generator (splitmix64), so every run produces the same files.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }

 private:
  std::uint64_t state_;
};

// Buffered writer over a plain file descriptor; keeps the driver's own memory small,
// which matters because a forked child starts with a copy of it.
class Writer {
 public:
  explicit Writer(const fs::path& path)
      : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)), path_(path) {
    if (fd_ < 0) throw std::runtime_error("cannot create " + path.string());
    buf_.reserve(kChunk + 256);
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
  ~Writer() {
    if (fd_ >= 0) ::close(fd_);
  }

  std::string& buffer() { return buf_; }
  void maybe_flush() {
    if (buf_.size() >= kChunk) flush();
  }
  void close() {
    flush();
    if (::close(fd_) != 0) throw std::runtime_error("cannot write " + path_.string());
    fd_ = -1;
  }

 private:
  static constexpr std::size_t kChunk = 1 << 20;
  void flush() {
    std::size_t done = 0;
    while (done < buf_.size()) {
      ssize_t n = ::write(fd_, buf_.data() + done, buf_.size() - done);
      if (n < 0) throw std::runtime_error("cannot write " + path_.string());
      done += static_cast<std::size_t>(n);
    }
    buf_.clear();
  }
  int fd_;
  fs::path path_;
  std::string buf_;
};

struct Record {
  std::array<std::string, 6> fields;  // id, name, born, amount, code, note
};

void append_number(std::string& out, std::uint64_t value, int min_digits = 1) {
  char tmp[24];
  auto [end, ec] = std::to_chars(tmp, tmp + sizeof tmp, value);
  (void)ec;
  for (int pad = min_digits - static_cast<int>(end - tmp); pad > 0; --pad) out += '0';
  out.append(tmp, end);
}

int days_in_month(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

void make_record(Rng& rng, std::uint64_t id, Record& r) {
  for (auto& f : r.fields) f.clear();

  append_number(r.fields[0], id);

  unsigned name_len = 3 + rng.below(8);  // 3..10 letters
  r.fields[1] += static_cast<char>('A' + rng.below(26));
  for (unsigned i = 1; i < name_len; ++i) r.fields[1] += static_cast<char>('a' + rng.below(26));

  int year = 1940 + static_cast<int>(rng.below(70));
  int month = 1 + static_cast<int>(rng.below(12));
  int day = 1 + static_cast<int>(rng.below(static_cast<unsigned>(days_in_month(year, month))));
  append_number(r.fields[2], static_cast<std::uint64_t>(year), 4);
  r.fields[2] += '-';
  append_number(r.fields[2], static_cast<std::uint64_t>(month), 2);
  r.fields[2] += '-';
  append_number(r.fields[2], static_cast<std::uint64_t>(day), 2);

  std::uint64_t cents = rng.next() % 100000000;  // 0.00 .. 999999.99
  append_number(r.fields[3], cents / 100);
  r.fields[3] += '.';
  append_number(r.fields[3], cents % 100, 2);

  r.fields[4] += static_cast<char>('A' + rng.below(26));
  r.fields[4] += static_cast<char>('A' + rng.below(26));

  // A few lowercase words, 28..32 characters, never starting or ending with a blank.
  std::string& note = r.fields[5];
  std::size_t target = 28 + rng.below(5);
  while (note.size() < target) {
    if (!note.empty()) note += ' ';
    unsigned word = 2 + rng.below(7);
    for (unsigned i = 0; i < word; ++i) note += static_cast<char>('a' + rng.below(26));
  }
  note.resize(target);
  if (note.back() == ' ') note.back() = 'e';
}

// Characters (code points) of UTF-8 text, as SQLite's length() counts them.
std::uint64_t chars(const std::string& s) {
  std::uint64_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

// The clean file's date (YYYY-MM-DD) day first, and its amount with a decimal comma and
// thousands dots, as an Italian file writes them.
void append_italian(std::string& out, std::size_t field, const std::string& v) {
  if (field == 2) {
    out.append(v, 8, 2).append("/").append(v, 5, 2).append("/").append(v, 0, 4);
  } else if (field == 3) {
    const std::size_t point = v.find('.');
    for (std::size_t i = 0; i < point; ++i) {
      if (i > 0 && (point - i) % 3 == 0) out += '.';
      out += v[i];
    }
    out.append(",").append(v, point + 1);
  } else {
    out += v;
  }
}

// One CSV field as spreadsheets write it: quoted when it holds the separator or a quote,
// its quotes doubled.
void append_csv(std::string& out, const std::string& v) {
  if (v.find_first_of(",\"") == std::string::npos) {
    out += v;
    return;
  }
  out += '"';
  for (char c : v) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

// The files being written, line by line.
struct Outputs {
  explicit Outputs(const InputFiles& f)
      : delimited(f.delimited),
        fixed(f.fixed),
        bad(f.bad),
        csv(f.csv),
        utf8(f.utf8),
        italian(f.italian),
        duplicates(f.duplicates) {}
  Writer delimited, fixed, bad, csv, utf8, italian, duplicates;
  void close() {
    for (Writer* w : {&delimited, &fixed, &bad, &csv, &utf8, &italian, &duplicates}) w->close();
  }
};

// The CSV copy, where one record in five quotes its name (holding the separator) or its note
// (holding doubled quotes), so about a tenth of the six fields are quoted, and the UTF-8 copy,
// whose names begin with an accented capital.
void write_csv_and_utf8(std::uint64_t i, const Record& r, Outputs& out, InputFiles& files) {
  static const char* const kAccented[] = {"\xC3\x85", "\xC3\x89", "\xC3\x96",
                                          "\xC3\x87", "\xC5\xA0", "\xC3\x91"};  // Å É Ö Ç Š Ñ
  std::string name = r.fields[1], note = r.fields[5];
  if (i % 10 == 3) name += ", Jr";
  if (i % 10 == 7) note = "said \"" + note.substr(0, 20) + "\" loud";
  for (std::size_t f = 0; f < r.fields.size(); ++f) {
    if (f > 0) out.csv.buffer() += ',';
    append_csv(out.csv.buffer(), f == 1 ? name : f == 5 ? note : r.fields[f]);
  }
  out.csv.buffer() += '\n';
  files.csv_chars += chars(name) + chars(note);
  std::string accented = kAccented[i % 6] + r.fields[1].substr(1);
  files.utf8_chars += chars(accented) + chars(r.fields[5]);
  for (std::size_t f = 0; f < r.fields.size(); ++f) {
    if (f > 0) out.utf8.buffer() += ';';
    out.utf8.buffer() += f == 1 ? accented : r.fields[f];
  }
  out.utf8.buffer() += '\n';
}

// The clean file and the copies that differ from it field by field: the fixed-width twin,
// the one whose every 100th id is not a number, the Italian one, and the one whose every
// 1000th id repeats the line before's (a key a table with a primary key refuses).
void write_delimited_copies(std::uint64_t i, const Record& r, Outputs& out, InputFiles& files) {
  const bool refuse = i % 100 == 0;
  const bool repeat = i % 1000 == 0;
  if (refuse) ++files.bad_lines;
  if (repeat) ++files.duplicate_lines;
  for (std::size_t f = 0; f < r.fields.size(); ++f) {
    const std::string& v = r.fields[f];
    if (f > 0) {
      for (Writer* w : {&out.delimited, &out.bad, &out.italian, &out.duplicates})
        w->buffer() += ';';
    }
    out.delimited.buffer() += v;
    append_italian(out.italian.buffer(), f, v);
    if (f == 0 && refuse) out.bad.buffer() += 'x';
    out.bad.buffer() += v;
    if (f == 0 && repeat) {
      append_number(out.duplicates.buffer(), i - 1);
    } else {
      out.duplicates.buffer() += v;
    }
    out.fixed.buffer() += v;
    out.fixed.buffer().append(static_cast<std::size_t>(kWidths[f]) - v.size(), ' ');
  }
  for (Writer* w : {&out.delimited, &out.bad, &out.fixed, &out.italian, &out.duplicates}) {
    w->buffer() += '\n';
  }
}

}  // namespace

InputFiles generate(const fs::path& dir, std::uint64_t lines) {
  InputFiles files{dir / "items.txt",    dir / "items-fixed.txt", dir / "items-bad.txt",
                   dir / "items.csv",    dir / "items-utf8.txt",  dir / "items-it.txt",
                   dir / "items-dup.txt"};
  Outputs out(files);
  Rng rng(20240917);
  Record r;
  for (std::uint64_t i = 1; i <= lines; ++i) {
    make_record(rng, i, r);
    write_csv_and_utf8(i, r, out, files);
    write_delimited_copies(i, r, out, files);
    for (Writer* w : {&out.delimited, &out.fixed, &out.bad, &out.csv, &out.utf8, &out.italian,
                      &out.duplicates}) {
      w->maybe_flush();
    }
  }
  out.close();
  return files;
}

fs::path writer_file(const Options& opt, const InputFiles& files, std::uint64_t lines) {
  if (lines == opt.lines) return files.delimited;
  const fs::path path = opt.work / ("items-" + std::to_string(lines) + ".txt");
  if (fs::exists(path)) return path;
  Writer out(path);
  Rng rng(20240917);
  Record r;
  for (std::uint64_t i = 1; i <= lines; ++i) {
    make_record(rng, i, r);
    for (std::size_t f = 0; f < r.fields.size(); ++f) {
      if (f > 0) out.buffer() += ';';
      out.buffer() += r.fields[f];
    }
    out.buffer() += '\n';
    out.maybe_flush();
  }
  out.close();
  return path;
}

}  // namespace vandrel_bench
