#include "preview/c_prepara_grd_preview.h"

#include <QFile>

#include "engine/line_cut.h"
#include "engine/preview_lines.h"
#include "vandrel/error.h"
#include "wizard/forms.h"

namespace vandrel {
// In the words the wizard has always used, whatever the language.
QString ReversedLimitsNotice() {
  return QString::fromUtf8(
      "La colonna FINE deve contenere un valore superiore alla colonna INIZIO!\r"
      "Ripetere l'inserimento.");
}

void cPreparaGrdPreview::NumberOfColumns(std::int16_t columns) {
  numberOfColumns_ = columns;
  limits_.assign(static_cast<std::size_t>(std::max<int>(columns, 0)) + 1, Limits{});
}

void cPreparaGrdPreview::ColumnsLimit(std::int16_t lower, std::int16_t upper, std::int16_t column) {
  if (column < 0 || static_cast<std::size_t>(column) >= limits_.size()) {
    throw Error(kErrSubscript, "Column " + std::to_string(column) + " has no limits.");
  }
  limits_[static_cast<std::size_t>(column)] = {lower, upper};
}

bool cPreparaGrdPreview::Action() {
  if (!grid_) throw Error(kErrInvalidArgument, "The preview has no grid to fill.");
  bool ok = false;
  const int sepCode = delimit_.trimmed().toInt(&ok);
  if (!ok) throw Error(kErrTypeMismatch, "The separator code is not a number.");
  const int delimCode =
      delimitText_.isEmpty() ? -1 : CharacterCode(delimitText_.toStdString(), -1, "text delimiter");
  const int columns = std::max<int>(numberOfColumns_, 0);
  grid_->SetCols(columns);
  grid_->SetRows(std::max<int>(rowPreview_, 0) + 1);

  const std::vector<std::string> lines =
      ReadPreviewLines(QFile::encodeName(file_).toStdString(),
                       static_cast<std::size_t>(std::max<int>(rowPreview_, 0)), jumpRow_);
  for (std::size_t r = 0; r < lines.size(); ++r) {
    for (int c = 0; c < columns; ++c) {
      Limits& limits = limits_[static_cast<std::size_t>(c)];
      if (c == 0 && limits.lower == 0) limits.lower = 1;
      if (limits.lower > limits.upper) {
        forms::MsgBox(ReversedLimitsNotice(), forms::vbInformation);
        return true;
      }
      if (limits.lower < 1) {
        throw Error(kErrInvalidArgument,
                    "Column " + std::to_string(c + 1) + " begins before the first character.");
      }
      const std::string_view field =
          CutFixedField(lines[r], limits.lower, limits.upper, sepCode, delimCode);
      // An empty field leaves its cell as it was.
      if (!field.empty()) grid_->SetCellText(static_cast<int>(r) + 1, c, forms::FromFile(field));
    }
  }
  return false;
}

}  // namespace vandrel
