#include "preview/c_prepara_grd_preview.h"

#include <QFile>

#include "engine/line_cut.h"
#include "engine/preview_lines.h"
#include "forms/forms.h"
#include "vandrel/error.h"

namespace vandrel {

void cPreparaGrdPreview::Action() {
  if (!grid_) throw Error(kErrInvalidArgument, "The preview has no grid to fill.");
  const int rows = std::max<int>(rowPreview_, 0);
  grid_->SetCols(static_cast<int>(layout_.columns.size()));
  grid_->SetRows(rows + 1);
  const FixedCutter cutter(layout_);
  std::vector<std::string_view> fields;
  const std::vector<std::string> lines =
      ReadPreviewLines(QFile::encodeName(file_).toStdString(), encoding_,
                       static_cast<std::size_t>(rows), layout_.skipLines);
  for (std::size_t r = 0; r < lines.size(); ++r) {
    cutter.Cut(lines[r], fields);
    for (std::size_t c = 0; c < fields.size(); ++c) {
      if (fields[c].empty()) continue;  // an empty field leaves its cell as it was
      grid_->SetCellText(static_cast<int>(r) + 1, static_cast<int>(c), forms::FromUtf8(fields[c]));
    }
  }
}

}  // namespace vandrel
