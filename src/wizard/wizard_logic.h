// The wizard's decisions that need no widgets: reading the lines-to-skip box and the limits
// grid, the ruler over the fixed-width preview, the InfoField lookups of stage 3, and the
// request of the interactive import. The panels call these with the texts of their controls, so the
// rules can be tested without a window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vandrel/host_hooks.h"
#include "vandrel/import.h"
#include "vandrel/info_field.h"
#include "vandrel/layout.h"

namespace vandrel::wizard {

// The text of a lines-to-skip box as a number: blanks around it are allowed and a fraction
// is rounded to the nearest whole number, halves to even. Nothing when the text is not a
// number from 0 to 32767.
std::optional<std::int16_t> LinesToSkip(std::string_view text);

// One row of the fixed-width limits grid, as typed.
struct LimitTexts {
  std::string begin;
  std::string end;
};

// The fields the limits grid describes: every row down to the first without a BEGIN (or with
// a BEGIN of 0, where the list of fields ends too). `badRow` names the first row (1-based)
// whose limits are missing, not numbers, past 16 bits, or past the 31 a layout holds;
// `reversed` says that some field ends before it begins.
struct Limits {
  std::vector<ColumnRange> columns;
  int badRow = 0;
  bool reversed = false;
};
Limits ReadLimits(const std::vector<LimitTexts>& rows);

// The two ruler lines over the fixed-width preview for a first line of `width` characters:
// labels 10, 20, ... each ending over the 0 of its block, and the digits 1234567890 ...
std::string Ruler(int width);

// The number a text begins with (optionally signed), 0 when it begins with none.
long long LeadingNumber(std::string_view text);

// The first InfoField row whose FieldName is `name`, or -1.
int FieldRow(const std::vector<InfoFieldRow>& rows, std::string_view name);

// The first required field without a column, or -1.
int FirstUnassociatedRequired(const std::vector<InfoFieldRow>& rows);

// The request of the interactive import of `textFile`, read as `encoding`, its numbers and
// dates read by `format`, with the field rows of stage 3, into the tables of `wizard`: the
// error table is always emptied, the target table when `emptyTarget`; `previewColumns` widens
// the fields a record may have to what the table preview showed.
ImportRequest InteractiveRequest(const WizardRequest& wizard, const std::string& textFile,
                                 TextEncoding encoding, const store::ValueFormat& format,
                                 const std::vector<InfoFieldRow>& fields,
                                 std::size_t previewColumns, bool emptyTarget);

}  // namespace vandrel::wizard
