// cPreparaGrdPreview: fills the stage-3 table preview with the first lines of a fixed-width
// file, one line per row (row 0 stays empty) and one field per column, cut by the layout
// with the import's own cutter, so the preview shows what the import will store.
#pragma once

#include <QString>

#include <cstdint>

#include "text/encoding.h"
#include "vandrel/layout.h"

namespace vandrel {

namespace forms {
class Grid;
}

class cPreparaGrdPreview {
 public:
  // The properties, set before Action.
  void Layout(FixedLayout layout) { layout_ = std::move(layout); }
  // The text file to read.
  void MDBFile(const QString& path) { file_ = path; }
  // How the text file is read.
  void Encoding(TextEncoding encoding) { encoding_ = encoding; }
  void Griglia(forms::Grid* grid) { grid_ = grid; }
  void RowPreview(std::int16_t rows) { rowPreview_ = rows; }

  // Sizes the grid (one column per field, RowPreview + 1 rows) and fills it from the lines
  // after the layout's skipped ones. An empty field leaves its cell as it was. A file that
  // cannot be read throws vandrel::Error.
  void Action();

 private:
  FixedLayout layout_;
  QString file_;
  TextEncoding encoding_ = TextEncoding::Auto;
  forms::Grid* grid_ = nullptr;
  std::int16_t rowPreview_ = 0;
};

}  // namespace vandrel
