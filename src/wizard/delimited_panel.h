// Stage 2 for delimited text (pnlFase2di3Del): the field separator, the text delimiter and
// the lines to skip, how the file writes numbers and dates, over a list of the file's first
// lines. Next builds the layout, cuts the
// first lines by it into stage 3's table preview and moves on. The three layout buttons
// open the layout dialog.
#pragma once

#include <QFrame>
#include <QString>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace vandrel {

class frmInterfaccia;

class DelimitedPanel : public QFrame {
  Q_OBJECT
 public:
  explicit DelimitedPanel(frmInterfaccia& wizard);

  // The lists of the boxes, no separator, "{NONE}", 0 lines, and the control's number and
  // date format.
  void Reset();
  // The file's first lines as they stand, blanks at either end removed.
  void FillPreview(const QString& file);

  void CAvantiD_Click();
  void CIndD_Click();

  // The entries as the layout dialog saves them, and a saved layout put back into them.
  QString Separator() const;
  QString Delimiter() const;
  QString SkipText() const;
  void ShowSaved(const QString& separator, const QString& delimiter, const QString& skip);
  // The "current specification" label.
  void SetSpecLabel(const QString& text);

 private:
  void OpenSpecDialog(const char* mode);

  frmInterfaccia& wizard_;
  QListWidget* List1;
  QComboBox* SaltaRigheD;
  QComboBox* DelimCampoD;
  QComboBox* DelimTestoD;
  QComboBox* cmbDecimaleD;
  QComboBox* cmbDateD;
  QLabel* LabNomeImpD;
  QPushButton* cmdSalvImpDel;
  QPushButton* cmdImpDefDel;
  QPushButton* cmdCancImpDel;
  QPushButton* CAvantiD;
  QPushButton* CIndD;
  QPushButton* Command20;
};

}  // namespace vandrel
