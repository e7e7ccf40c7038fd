// Saved layouts as a person writes them: a name, the separator and the text delimiter as a
// character or a token ("{TAB}", "{SPACE}", "{NONE}", in any of the five languages), the lines
// to skip and, for fixed width, the columns as "1-8,9-20". The command line's `specs add` and
// `specs show` and the Python module's add_spec and show_spec all go through here, so they
// take and give the same texts and refuse the same things.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "vandrel/layout.h"
#include "vandrel/spec_files.h"

namespace vandrel {

struct LayoutEntry {
  specs::SpecKind kind = specs::SpecKind::Delimited;
  std::string name;
  std::string separator;
  std::string delimiter;
  std::int64_t skip = 0;
  std::string columns;  // fixed width: "BEGIN-END,BEGIN-END,..."; empty for delimited
};

// Saves `entry` in `folder`, its tokens written in `language` (1 Italian .. 5 Spanish) and
// understood in all five. Returns the name as stored (trimmed of blanks), or nothing when a
// layout of that name is saved already (then nothing is written). Throws Error 5 saying why
// for a name the file cannot hold (see specs::StorableName), lines to skip outside 0..32767,
// columns given for a delimited layout, or missing or malformed for a fixed-width one; the
// file's own errors (75) as specs::Append does.
std::optional<std::string> SaveLayoutEntry(const std::string& folder, const LayoutEntry& entry,
                                           int language);

// The layout saved under exactly `name` (the last of that name, as the wizard applies them);
// nothing when there is none.
std::optional<LayoutEntry> FindLayoutEntry(const std::string& folder, specs::SpecKind kind,
                                           const std::string& name);

// The layout `entry` describes, as an import takes it; its name is not looked at. Refused as
// SaveLayoutEntry refuses, and as MakeDelimitedLayout does (Error 5).
TextLayout LayoutOf(const LayoutEntry& entry);

// "1-8,9-20" into a fixed-width record's FieldBegin and FieldEnd texts: at most 31 ranges, each
// BEGIN-END with 1 <= BEGIN <= END <= 9999. Anything else throws Error 5 naming the range.
void SetColumns(specs::FixedSpecRecord& record, const std::string& columns);

}  // namespace vandrel
