// Stage 2 for fixed-width text (pnlFase2di3Fisso): a BEGIN and an END column per field,
// typed into the limits grid under a character ruler over the file's first lines, plus the
// separator that may end a field, the text delimiter and the lines to skip. Next builds the
// layout, fills stage 3's table preview with the preview builder and moves on.
#pragma once

#include <QFrame>
#include <QString>

#include <vector>

#include "wizard/wizard_logic.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vandrel {

namespace forms {
class Grid;
}
class frmInterfaccia;

class FixedPanel : public QFrame {
  Q_OBJECT
 public:
  explicit FixedPanel(frmInterfaccia& wizard);

  // The lists of the boxes, "{TAB}", "{NONE}", 0 lines, the control's number and date
  // format, and an empty limits grid of `fieldRows` + 5 rows.
  void Reset(int fieldRows);
  // The ruler over the file's first lines, sized by the first line.
  void FillPreview(const QString& file);

  void ComAvanti_Click();
  // A key typed into the limits grid: digits, Backspace, and Enter to move BEGIN -> END ->
  // the next row's BEGIN. `key` is the character's code.
  void grdInfoFldFix_KeyPress(int key);

  // The entries as the layout dialog saves them, and a saved layout put back into them.
  QString Separator() const;
  QString Delimiter() const;
  QString SkipText() const;
  std::vector<wizard::LimitTexts> LimitRows() const;
  void ShowSaved(const QString& separator, const QString& delimiter, const QString& skip,
                 const std::vector<wizard::LimitTexts>& limits);
  void SetSpecLabel(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Righello(int width);

  frmInterfaccia& wizard_;
  forms::Grid* grdInfoFldFix;
  QLabel* LabNomeImpF;
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
