// Stage 2 for fixed-width text (pnlFase2di3Fisso): a BEGIN and an END column per field,
// typed into the limits grid under a character ruler over the file's first lines, plus the
// separator that may end a field, the text delimiter and the lines to skip. Next checks the
// entries and hands on the layout and the number and date format (Accepted).
#pragma once

#include <QFrame>
#include <QString>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "vandrel/encoding.h"
#include "vandrel/guess.h"
#include "vandrel/layout.h"
#include "vandrel/store.h"
#include "wizard/wizard_logic.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vandrel {

namespace forms {
class Grid;
}
class FixedPanel : public QFrame {
  Q_OBJECT
 public:
  explicit FixedPanel(QWidget* parent);

  // The lists of the boxes, "{TAB}", "{NONE}", 0 lines, `format`, and an empty limits grid of
  // `fieldRows` + 5 rows, for `file` read as `encoding`; the layout dialog works in `folder`.
  void Start(const QString& file, TextEncoding encoding, const store::ValueFormat& format,
             int fieldRows, const std::string& folder);
  // The ruler over the file's first lines, sized by the first line.
  void FillPreview();
  // The BEGIN and END of each field, the lines to skip and the number and date format as
  // `guess` found them, and a line under the preview that says so. A guessed BEGIN or END is
  // replaced, not extended, by the first digit typed into it.
  void ShowGuess(const LayoutGuess& guess);

 signals:
  void Back();
  void Accepted(const TextLayout& layout, const store::ValueFormat& format);
  void Cancelled();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildLimitsBox();
  void ComAvanti_Click();
  // A key typed into the limits grid: digits, Backspace, and Enter to move BEGIN -> END ->
  // the next row's BEGIN. `key` is the character's code.
  void grdInfoFldFix_KeyPress(int key);
  std::vector<wizard::LimitTexts> LimitRows() const;
  void OpenSpecDialog(const char* mode);
  void ShowLimits(const std::vector<wizard::LimitTexts>& limits);
  void Righello(int width);

  QString file_;
  TextEncoding encoding_ = TextEncoding::Auto;
  std::string folder_;
  forms::Grid* grdInfoFldFix;
  QLabel* LabNomeImpF;
  QLabel* lblGuessF;
  // The limits cells (row, column) that hold a guess the user has not typed into yet.
  std::set<std::pair<int, int>> guessedCells_;
  QPushButton* cmdSalvImpFisso;
  QPushButton* cmdImpDefFisso;
  QPushButton* cmdCancImpFisso;
  QPlainTextEdit* txtPreView;
  QComboBox* ComboDelimTesto;
  QComboBox* ComboNumRighe;
  QComboBox* ComboCharDeli;
  QComboBox* cmbDecimaleF;
  QComboBox* cmbDateF;
  QPushButton* ComIndietro;
  QPushButton* ComAvanti;
  QPushButton* ComAnnulla;
};

// The notice shown for a column whose END lies before its BEGIN.
QString ReversedLimitsNotice();

}  // namespace vandrel
