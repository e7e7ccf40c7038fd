// cPreparaGrdPreview: fills the stage-3 table preview with the first lines of a fixed-width
// file, one line per row (row 0 stays empty) and one field per column, cut at the column
// limits typed in stage 2 exactly as the import cuts them. It is also where a column whose
// END lies before its BEGIN is caught.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace vandrel {

namespace forms {
class Grid;
}

// The notice shown for a column whose END lies before its BEGIN.
QString ReversedLimitsNotice();

class cPreparaGrdPreview {
 public:
  // The properties, set before Action; NumberOfColumns before any ColumnsLimit. (No language
  // is needed: the "{NONE}" token is recognised in every language.)
  // The separator as a decimal character code ("59" for ';'); a negative code is none.
  void Delimit(const QString& code) { delimit_ = code; }
  // The text delimiter as shown: one character, or a token such as "{NONE}".
  void DelimitText(const QString& text) { delimitText_ = text; }
  // The text file to read.
  void MDBFile(const QString& path) { file_ = path; }
  void Griglia(forms::Grid* grid) { grid_ = grid; }
  void JumpRow(std::int16_t lines) { jumpRow_ = lines; }
  void NumberOfColumns(std::int16_t columns);
  void RowPreview(std::int16_t rows) { rowPreview_ = rows; }
  void ColumnsLimit(std::int16_t lower, std::int16_t upper, std::int16_t column);

  // Fills the grid. True when a column's END lies before its BEGIN: that is said in a
  // message box and the grid is left incomplete. A file that cannot be read, or a property
  // that makes no sense, throws vandrel::Error.
  bool Action();

 private:
  struct Limits {
    std::int16_t lower = 0;
    std::int16_t upper = 0;
  };

  QString delimit_;
  QString delimitText_;
  QString file_;
  forms::Grid* grid_ = nullptr;
  std::int16_t jumpRow_ = 0;
  std::int16_t numberOfColumns_ = 0;
  std::int16_t rowPreview_ = 0;
  std::vector<Limits> limits_;
};

}  // namespace vandrel
