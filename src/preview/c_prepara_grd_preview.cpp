#include "preview/c_prepara_grd_preview.h"

#include <QFile>

#include <algorithm>
#include <variant>

#include "forms/forms.h"
#include "vandrel/error.h"
#include "vandrel/preview.h"

namespace vandrel {

void cPreparaGrdPreview::Action() {
  if (!grid_) throw Error(kErrInvalidArgument, "The preview has no grid to fill.");
  forms::Grid& grid = *grid_;
  grid.clearContents();
  grid.SetRows(1);
  grid.SetCols(1);
  const int rows = std::max<int>(rowPreview_, 0);
  const auto* fixed = std::get_if<FixedLayout>(&layout_);
  const std::vector<std::vector<std::string>> records = PreviewRows(
      QFile::encodeName(file_).toStdString(), encoding_, layout_, static_cast<std::size_t>(rows));
  std::size_t columns = 1;
  for (const auto& fields : records) columns = std::max(columns, fields.size());
  // A fixed-width preview keeps its first row empty and always shows RowPreview rows.
  const int first = fixed ? 1 : 0;
  grid.SetCols(fixed ? static_cast<int>(fixed->columns.size()) : static_cast<int>(columns));
  grid.SetRows(fixed ? rows + 1 : std::max(static_cast<int>(records.size()), 1));
  for (std::size_t r = 0; r < records.size(); ++r) {
    for (std::size_t c = 0; c < records[r].size(); ++c) {
      const QString text = forms::FromUtf8(records[r][c]);
      grid.SetCellText(static_cast<int>(r) + first, static_cast<int>(c),
                       fixed ? text : forms::TrimSpaces(text));
    }
  }
}

}  // namespace vandrel
