// The saved-layout files. Delimited layouts live in "FlDlmtd" (40-byte records), fixed-width
// layouts in "FlFxd" (412-byte records), both in the application folder, as flat sequences
// of fixed-length records with no header. Text fields are Windows-1252, left-aligned and
// blank-padded; integers are 16-bit little-endian; the fixed-width record's reserved tail is
// zero bytes. A partial record at the end of a file is ignored by every reader.
//
// Strings on this API are UTF-8; they are converted to and from the file's single-byte code
// page here. Every operation opens the file (creating it empty when missing), does its work
// and closes it again. Operations are safe between processes: each change holds an exclusive
// lock, each read a shared one, on a lock file beside the layout file ("FlDlmtd.lock",
// "FlFxd.lock"), which is created when missing and left in place. A failure throws vandrel::Error (75, Path/File access error, naming the
// file, for anything the file system refuses).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel::specs {

enum class SpecKind { Delimited, Fixed };

inline constexpr std::size_t kDelimitedRecordLength = 40;
inline constexpr std::size_t kFixedRecordLength = 412;
inline constexpr std::size_t kFixedEntries = 31;
inline constexpr std::size_t kNameLength = 20;  // bytes of SpecName in a record

// Values as read back (trimmed of blanks) or as given to be written.
struct DelimitedSpecRecord {
  std::string SpecName;        // 20 bytes
  std::string FieldSeparator;  // 9 bytes: one character or a token such as "{TAB}"
  std::string TextDelimiter;   // 9 bytes
  std::int16_t SkipLines = 0;
};

struct FixedSpecRecord {
  std::string SpecName;
  std::string FieldSeparator;
  std::string TextDelimiter;
  std::int16_t SkipLines = 0;
  // Begin and end column of field j+1 as decimal text of at most 4 characters; the list ends
  // at the first blank FieldBegin.
  std::array<std::string, kFixedEntries> FieldBegin;
  std::array<std::string, kFixedEntries> FieldEnd;
};

// The bytes of one record, and back. Encoding trims each text, fits it to its width (cut or
// blank-padded) and converts it to Windows-1252.
std::string EncodeRecord(const DelimitedSpecRecord& record);
std::string EncodeRecord(const FixedSpecRecord& record);
DelimitedSpecRecord DecodeDelimited(std::string_view bytes);  // bytes.size() == 40
FixedSpecRecord DecodeFixed(std::string_view bytes);          // bytes.size() == 412

// Full path of the kind's file in `folder` ("FlDlmtd" or "FlFxd").
std::string SpecFilePath(SpecKind kind, const std::string& folder);

// Every record's SpecName, trimmed, in record order.
std::vector<std::string> ListNames(SpecKind kind, const std::string& folder);

// Every record whose trimmed SpecName equals `name` exactly (letter case counts), in record
// order; a caller applying them in turn ends with the values of the last.
std::vector<DelimitedSpecRecord> ApplyDelimited(const std::string& folder, const std::string& name);
std::vector<FixedSpecRecord> ApplyFixed(const std::string& folder, const std::string& name);

// The first record whose trimmed SpecName equals `name` without regard to letter case (the
// silent import's rule); false when none does.
bool FindDelimited(const std::string& folder, const std::string& name, DelimitedSpecRecord& out);
bool FindFixed(const std::string& folder, const std::string& name, FixedSpecRecord& out);

// The name a layout saved as `typedName` is stored under: trimmed of blanks. A name the file
// cannot hold as typed is refused with Error 5 saying why: empty, longer than kNameLength
// characters (it would be cut) or with a character Windows-1252 lacks (it would become '?').
std::string StorableName(const std::string& typedName);

// Appends a record after the last whole one. Refused (returns false, nothing written) when a
// stored trimmed name equals `typedName` exactly as typed, untrimmed. The stored name is
// `typedName` trimmed and fitted to 20 characters.
bool Append(const std::string& folder, const std::string& typedName,
            const DelimitedSpecRecord& values);
bool Append(const std::string& folder, const std::string& typedName, const FixedSpecRecord& values);

// Removes every record whose trimmed SpecName equals `name` exactly. The survivors are written
// to a temporary file of a name unique to this delete ("FlDlmtd.tmp.XXXXXX" in the same
// folder), which then replaces the layout file in one rename, so the layout file is never
// missing; a delete that fails removes its temporary file.
void Delete(SpecKind kind, const std::string& folder, const std::string& name);

}  // namespace vandrel::specs
