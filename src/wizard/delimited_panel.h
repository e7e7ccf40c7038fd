// Stage 2 for delimited text (pnlFase2di3Del): the field separator, the text delimiter and
// the lines to skip, how the file writes numbers and dates, over a list of the file's first
// lines. Next checks the entries and hands on the layout and the format (Accepted). The three
// layout buttons open the layout dialog and apply what it gives back.
#pragma once

#include <QFrame>
#include <QString>

#include <string>

#include "vandrel/encoding.h"
#include "vandrel/guess.h"
#include "vandrel/layout.h"
#include "vandrel/store.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace vandrel {

class DelimitedPanel : public QFrame {
  Q_OBJECT
 public:
  explicit DelimitedPanel(QWidget* parent);

  // The lists of the boxes, no separator, "{NONE}", 0 lines and `format`, for `file` read as
  // `encoding`; the layout dialog works in `folder`.
  void Start(const QString& file, TextEncoding encoding, const store::ValueFormat& format,
             const std::string& folder);
  // The file's first lines as they stand, blanks at either end removed.
  void FillPreview();
  // The separator, the delimiter, the lines to skip and the number and date format as `guess`
  // found them, and a line under the preview that says so. A separator the guess did not
  // find stays for the user to choose.
  void ShowGuess(const LayoutGuess& guess);
  // "Current specification:" with no layout named.
  void ResetSpecLabel();

 signals:
  void Back();
  void Accepted(const TextLayout& layout, const store::ValueFormat& format);
  void Cancelled();

 private:
  QWidget* BuildSpecBox();
  void CAvantiD_Click();
  void OpenSpecDialog(const char* mode);

  QString file_;
  TextEncoding encoding_ = TextEncoding::Auto;
  std::string folder_;
  QListWidget* List1;
  QComboBox* SaltaRigheD;
  QComboBox* DelimCampoD;
  QComboBox* DelimTestoD;
  QComboBox* cmbDecimaleD;
  QComboBox* cmbDateD;
  QLabel* LabNomeImpD;
  QLabel* lblGuessD;
  QPushButton* cmdSalvImpDel;
  QPushButton* cmdImpDefDel;
  QPushButton* cmdCancImpDel;
  QPushButton* CAvantiD;
  QPushButton* CIndD;
  QPushButton* Command20;
};

}  // namespace vandrel
