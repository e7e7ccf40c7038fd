#include "vandrel/spec_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <system_error>
#include <utility>

#include "text/cp1252.h"
#include "util/file.h"
#include "vandrel/error.h"

namespace vandrel::specs {
namespace {

// Field positions inside a record. Both kinds share the first 40 bytes.
constexpr std::size_t kNameOffset = 0;
constexpr std::size_t kNameWidth = kNameLength;
constexpr std::size_t kSeparatorOffset = 20;
constexpr std::size_t kSeparatorWidth = 9;
constexpr std::size_t kDelimiterOffset = 29;
constexpr std::size_t kDelimiterWidth = 9;
constexpr std::size_t kSkipLinesOffset = 38;
constexpr std::size_t kBeginOffset = 40;
constexpr std::size_t kEndOffset = kBeginOffset + 4 * kFixedEntries;  // 164
constexpr std::size_t kEntryWidth = 4;
constexpr std::size_t kReservedOffset = kEndOffset + 4 * kFixedEntries;  // 288
static_assert(kReservedOffset + 124 == kFixedRecordLength);
static_assert(kSkipLinesOffset + 2 == kDelimitedRecordLength);

// Record numbers are 16-bit signed, so a file never grows past this many records.
constexpr std::size_t kMaxRecords = 32767;

std::size_t RecordLength(SpecKind kind) {
  return kind == SpecKind::Delimited ? kDelimitedRecordLength : kFixedRecordLength;
}

// Only the blank (0x20) pads a field, so only the blank is trimmed: a tab is a legitimate
// field separator and must survive a save and a reload.
std::string_view TrimSpaces(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

// Writes `utf8`, trimmed and in Windows-1252, at `offset`, cut to `width` bytes. The record
// is blank-filled beforehand, so a shorter value ends up padded.
void PutText(std::string& record, std::size_t offset, std::size_t width, std::string_view utf8) {
  const std::string bytes = Utf8ToCp1252(TrimSpaces(utf8));
  const std::size_t n = std::min(width, bytes.size());
  record.replace(offset, n, bytes, 0, n);
}

std::string GetText(std::string_view record, std::size_t offset, std::size_t width) {
  return Cp1252ToUtf8(TrimSpaces(record.substr(offset, width)));
}

void PutInt16(std::string& record, std::size_t offset, std::int16_t value) {
  const auto u = static_cast<std::uint16_t>(value);
  record[offset] = static_cast<char>(u & 0xFF);
  record[offset + 1] = static_cast<char>(u >> 8);
}

std::int16_t GetInt16(std::string_view record, std::size_t offset) {
  const auto lo = static_cast<unsigned char>(record[offset]);
  const auto hi = static_cast<unsigned char>(record[offset + 1]);
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
}

// The stored name of a record, still in Windows-1252, without its padding.
std::string_view StoredName(std::string_view record) {
  return TrimSpaces(record.substr(kNameOffset, kNameWidth));
}

bool NameIs(std::string_view record, const std::string& utf8) {
  return Cp1252ToUtf8(StoredName(record)) == utf8;
}

// Upper case over the whole Windows-1252 repertoire, so "città" finds "CITTÀ" as well.
// ß and µ have no capital in the code page and stay as they are.
char UpperCp1252(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 0x20);
  switch (b) {
    case 0x9A:
      return static_cast<char>(0x8A);  // š -> Š
    case 0x9C:
      return static_cast<char>(0x8C);  // œ -> Œ
    case 0x9E:
      return static_cast<char>(0x8E);  // ž -> Ž
    case 0xFF:
      return static_cast<char>(0x9F);  // ÿ -> Ÿ
    default:
      return c;
  }
}

std::string UpperCp1252(std::string_view bytes) {
  std::string out(bytes);
  for (char& c : out) c = UpperCp1252(c);
  return out;
}

// Calls `visit` with each whole record in order, until it returns false. A partial record
// at the end is not visited. Returns the number of whole records in the file.
std::size_t ForEachRecord(const File& file, std::size_t length,
                          const std::function<bool(std::string_view)>& visit) {
  const std::size_t count = file.Size() / length;
  constexpr std::size_t kChunkRecords = 256;
  std::string buffer;
  for (std::size_t done = 0; done < count;) {
    const std::size_t n = std::min(kChunkRecords, count - done);
    buffer.resize(n * length);
    file.ReadAt(done * length, buffer.data(), buffer.size());
    for (std::size_t i = 0; i < n; ++i) {
      if (!visit(std::string_view(buffer).substr(i * length, length))) return count;
    }
    done += n;
  }
  return count;
}

// Every change to a layout file happens under an exclusive lock, and every read under a
// shared one, on a lock file beside it ("FlDlmtd.lock", "FlFxd.lock"). The lock cannot be on
// the layout file itself: a delete replaces that file by a rename, and a process waiting on
// the old file would go on to work on a file no longer in the folder.
FileLock LockLayout(SpecKind kind, const std::string& folder, FileLock::Kind lockKind) {
  const std::string path = SpecFilePath(kind, folder);
  return FileLock(path + ".lock", lockKind, path);
}

// Opened only once the lock is held, so that it is the layout file of the moment.
File OpenLayout(SpecKind kind, const std::string& folder) {
  return File(SpecFilePath(kind, folder), File::Mode::ReadWrite);
}

// A reader's view of a layout file: shared-locked, so no change is half done under it.
struct LockedLayout {
  LockedLayout(SpecKind kind, const std::string& folder)
      : lock(LockLayout(kind, folder, FileLock::Kind::Shared)), file(OpenLayout(kind, folder)) {}
  FileLock lock;
  File file;
};

template <typename Record>
std::vector<Record> ApplyAll(SpecKind kind, const std::string& folder, const std::string& name,
                             Record (*decode)(std::string_view)) {
  const LockedLayout layout(kind, folder);
  std::vector<Record> found;
  ForEachRecord(layout.file, RecordLength(kind), [&](std::string_view record) {
    if (NameIs(record, name)) found.push_back(decode(record));
    return true;
  });
  return found;
}

template <typename Record>
bool FindFirst(SpecKind kind, const std::string& folder, const std::string& name, Record& out,
               Record (*decode)(std::string_view)) {
  const LockedLayout layout(kind, folder);
  // Stored names are Windows-1252, so a name the code page cannot hold matches none.
  const std::string wanted = Utf8ToCp1252(name);
  if (name.empty() || Cp1252ToUtf8(wanted) != name) return false;
  const std::string wantedUpper = UpperCp1252(wanted);
  bool found = false;
  ForEachRecord(layout.file, RecordLength(kind), [&](std::string_view record) {
    if (UpperCp1252(StoredName(record)) != wantedUpper) return true;
    out = decode(record);
    found = true;
    return false;
  });
  return found;
}

bool AppendRecord(SpecKind kind, const std::string& folder, const std::string& typedName,
                  std::string record) {
  // The duplicate check and the record count are taken under the same lock as the write, so
  // two saves never pick the same record number, and a delete cannot slip in between.
  const FileLock lock = LockLayout(kind, folder, FileLock::Kind::Exclusive);
  File file = OpenLayout(kind, folder);
  const std::size_t length = RecordLength(kind);
  bool duplicate = false;
  const std::size_t count = ForEachRecord(file, length, [&](std::string_view stored) {
    duplicate = NameIs(stored, typedName);
    return !duplicate;
  });
  if (duplicate) return false;
  if (count >= kMaxRecords) {
    throw Error(kErrOverflow, "The layout file '" + file.path() + "' already holds " +
                                  std::to_string(kMaxRecords) + " layouts.");
  }
  // Record count+1 starts where the last whole record ends, over any partial one.
  file.WriteAt(count * length, record.data(), record.size());
  file.Close();
  return true;
}

template <typename Record>
Record WithName(Record values, const std::string& typedName) {
  values.SpecName = typedName;
  return values;
}

// The name, separator, delimiter and lines to skip begin both kinds of record alike.
template <typename Record>
void PutHeader(std::string& bytes, const Record& record) {
  PutText(bytes, kNameOffset, kNameWidth, record.SpecName);
  PutText(bytes, kSeparatorOffset, kSeparatorWidth, record.FieldSeparator);
  PutText(bytes, kDelimiterOffset, kDelimiterWidth, record.TextDelimiter);
  PutInt16(bytes, kSkipLinesOffset, record.SkipLines);
}

template <typename Record>
Record GetHeader(std::string_view bytes, std::size_t length, const char* kind) {
  if (bytes.size() != length) {
    throw Error(kErrSubscript, std::string("A ") + kind + " layout record is " +
                                   std::to_string(length) + " bytes, not " +
                                   std::to_string(bytes.size()) + ".");
  }
  Record r;
  r.SpecName = GetText(bytes, kNameOffset, kNameWidth);
  r.FieldSeparator = GetText(bytes, kSeparatorOffset, kSeparatorWidth);
  r.TextDelimiter = GetText(bytes, kDelimiterOffset, kDelimiterWidth);
  r.SkipLines = GetInt16(bytes, kSkipLinesOffset);
  return r;
}

}  // namespace

std::string EncodeRecord(const DelimitedSpecRecord& record) {
  std::string bytes(kDelimitedRecordLength, ' ');
  PutHeader(bytes, record);
  return bytes;
}

std::string EncodeRecord(const FixedSpecRecord& record) {
  std::string bytes(kFixedRecordLength, ' ');
  PutHeader(bytes, record);
  for (std::size_t j = 0; j < kFixedEntries; ++j) {
    PutText(bytes, kBeginOffset + kEntryWidth * j, kEntryWidth, record.FieldBegin[j]);
    PutText(bytes, kEndOffset + kEntryWidth * j, kEntryWidth, record.FieldEnd[j]);
  }
  std::fill(bytes.begin() + kReservedOffset, bytes.end(), '\0');
  return bytes;
}

DelimitedSpecRecord DecodeDelimited(std::string_view bytes) {
  return GetHeader<DelimitedSpecRecord>(bytes, kDelimitedRecordLength, "delimited");
}

FixedSpecRecord DecodeFixed(std::string_view bytes) {
  auto r = GetHeader<FixedSpecRecord>(bytes, kFixedRecordLength, "fixed-width");
  for (std::size_t j = 0; j < kFixedEntries; ++j) {
    r.FieldBegin[j] = GetText(bytes, kBeginOffset + kEntryWidth * j, kEntryWidth);
    r.FieldEnd[j] = GetText(bytes, kEndOffset + kEntryWidth * j, kEntryWidth);
  }
  return r;
}

std::string SpecFilePath(SpecKind kind, const std::string& folder) {
  return folder + (kind == SpecKind::Delimited ? "/FlDlmtd" : "/FlFxd");
}

std::vector<std::string> ListNames(SpecKind kind, const std::string& folder) {
  const LockedLayout layout(kind, folder);
  std::vector<std::string> names;
  ForEachRecord(layout.file, RecordLength(kind), [&](std::string_view record) {
    names.push_back(Cp1252ToUtf8(StoredName(record)));
    return true;
  });
  return names;
}

std::vector<DelimitedSpecRecord> ApplyDelimited(const std::string& folder,
                                                const std::string& name) {
  return ApplyAll(SpecKind::Delimited, folder, name, &DecodeDelimited);
}

std::vector<FixedSpecRecord> ApplyFixed(const std::string& folder, const std::string& name) {
  return ApplyAll(SpecKind::Fixed, folder, name, &DecodeFixed);
}

bool FindDelimited(const std::string& folder, const std::string& name, DelimitedSpecRecord& out) {
  return FindFirst(SpecKind::Delimited, folder, name, out, &DecodeDelimited);
}

bool FindFixed(const std::string& folder, const std::string& name, FixedSpecRecord& out) {
  return FindFirst(SpecKind::Fixed, folder, name, out, &DecodeFixed);
}

std::string StorableName(const std::string& typedName) {
  const std::string name(TrimSpaces(typedName));
  if (name.empty()) throw Error(kErrInvalidArgument, "A layout needs a name.");
  const std::string bytes = Utf8ToCp1252(name);
  if (Cp1252ToUtf8(bytes) != name) {
    throw Error(kErrInvalidArgument, "The layout name '" + name +
                                         "' has a character the layout file cannot hold "
                                         "(Windows-1252 only).");
  }
  if (bytes.size() > kNameLength) {
    throw Error(kErrInvalidArgument, "The layout name '" + name + "' has " +
                                         std::to_string(bytes.size()) + " characters; at most " +
                                         std::to_string(kNameLength) + " are kept.");
  }
  return name;
}

bool Append(const std::string& folder, const std::string& typedName,
            const DelimitedSpecRecord& values) {
  return AppendRecord(SpecKind::Delimited, folder, typedName,
                      EncodeRecord(WithName(values, typedName)));
}

bool Append(const std::string& folder, const std::string& typedName,
            const FixedSpecRecord& values) {
  return AppendRecord(SpecKind::Fixed, folder, typedName,
                      EncodeRecord(WithName(values, typedName)));
}

void Delete(SpecKind kind, const std::string& folder, const std::string& name) {
  const std::string path = SpecFilePath(kind, folder);
  const std::size_t length = RecordLength(kind);
  const FileLock lock = LockLayout(kind, folder, FileLock::Kind::Exclusive);
  File layout = OpenLayout(kind, folder);
  struct stat st {};
  const bool haveMode = ::fstat(layout.fd(), &st) == 0;
  // The survivors go to a file of their own, named for this delete alone, in the same folder
  // (a rename cannot cross file systems). Whatever goes wrong before the rename, it is removed.
  File survivors = File::CreateUnique(folder, (kind == SpecKind::Delimited ? "FlDlmtd" : "FlFxd") +
                                                  std::string(".tmp."));
  const std::string temporary = survivors.path();
  struct RemoveUnlessRenamed {
    const std::string& path;
    bool renamed = false;
    ~RemoveUnlessRenamed() {
      if (!renamed) ::unlink(path.c_str());
    }
  } cleanup{temporary};
  // The replacement keeps the layout file's permissions, so users sharing the folder keep
  // their access.
  if (haveMode) ::fchmod(survivors.fd(), st.st_mode & 07777);
  std::string pending;
  std::size_t written = 0;
  const auto flush = [&] {
    survivors.WriteAt(written, pending.data(), pending.size());
    written += pending.size();
    pending.clear();
  };
  ForEachRecord(layout, length, [&](std::string_view record) {
    if (!NameIs(record, name)) pending.append(record);
    if (pending.size() >= 64 * 1024) flush();
    return true;
  });
  flush();
  survivors.Sync();
  survivors.Close();
  layout.Close();
  // rename(2) swaps the names in one step: the layout file is never missing.
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int err = errno;
    throw Error(kErrPathFileAccess, "The layout file '" + path + "' cannot be replaced by '" +
                                        temporary + "': " + std::system_category().message(err) +
                                        ".");
  }
  cleanup.renamed = true;
}

}  // namespace vandrel::specs
