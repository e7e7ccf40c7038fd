// cPreparaGrdPreview: fills stage 3's table preview with the first records of a text file,
// one record per row and one field per column, cut by the layout with the import's own
// cutters, so the preview shows what the import will store. Either kind of layout:
// - delimited: a row per record from the grid's first row, as many columns as the widest
//   record, each field shown without blanks at either end;
// - fixed width: the grid's first row stays empty and RowPreview rows follow, one column per
//   field of the layout.
#pragma once

#include <QString>

#include <cstdint>

#include "vandrel/encoding.h"
#include "vandrel/layout.h"

namespace vandrel {

namespace forms {
class Grid;
}

class cPreparaGrdPreview {
 public:
  // The properties, set before Action.
  void Layout(TextLayout layout) { layout_ = std::move(layout); }
  // The text file to read.
  void MDBFile(const QString& path) { file_ = path; }
  // How the text file is read.
  void Encoding(TextEncoding encoding) { encoding_ = encoding; }
  void Griglia(forms::Grid* grid) { grid_ = grid; }
  void RowPreview(std::int16_t rows) { rowPreview_ = rows; }

  // Empties the grid, sizes it and fills it. A file that cannot be read throws
  // vandrel::Error, the grid left empty.
  void Action();

 private:
  TextLayout layout_;
  QString file_;
  TextEncoding encoding_ = TextEncoding::Auto;
  forms::Grid* grid_ = nullptr;
  std::int16_t rowPreview_ = 0;
};

}  // namespace vandrel
