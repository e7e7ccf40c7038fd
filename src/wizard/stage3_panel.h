// Stage 3 of the wizard (pnlFase3di3): the table preview of the file cut by the layout stage 2
// handed on, the list of the target table's fields, and the boxes that associate a field with
// a column of the text (or a constant, or a new column name, where the host allows them).
// The panel works on its own copy of the field rows; Import runs the interactive import on a
// worker thread and hands on its outcome (Imported) and the result to close with (Finished).
#pragma once

#include <QFrame>
#include <QFutureWatcher>
#include <QString>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "vandrel/host_hooks.h"
#include "vandrel/import.h"

class QComboBox;
class QProgressBar;
class QLineEdit;
class QPushButton;

namespace vandrel {

namespace forms {
class Grid;
}

class Stage3Panel : public QFrame {
  Q_OBJECT
 public:
  explicit Stage3Panel(QWidget* parent);
  ~Stage3Panel() override;

  // The association boxes empty and disabled, and the field rows, the tables and the host's
  // choices of `request`, as when the window opens.
  void Reset(const WizardRequest& request);
  // "{NONE}" and then the FieldName of every field row.
  void FillFieldList();
  // Fills the table preview with `file`, read as `encoding` and cut by `layout`, whose numbers
  // and dates `format` reads. `headerLine` is the line (1-based) of the file's header, when it
  // has one: where the layout skips it, its names head the columns and fields whose name
  // matches one are associated with its column. Throws vandrel::Error when the file cannot be
  // read.
  void Enter(const QString& file, TextEncoding encoding, const TextLayout& layout,
             const store::ValueFormat& format, std::optional<std::int64_t> headerLine);
  // The panel is on screen: every field without a column whose FieldName or ColumnName names
  // a header field gets that column, "{NONE}" is selected and the columns get their width.
  void Shown();

  // The field rows with the associations made so far.
  const std::vector<InfoFieldRow>& Fields() const { return fields_; }
  // Whether an import is running (started by Import, not yet returned).
  bool Importing() const { return importing_; }
  // Asks the running import to stop before its next line (Cancel while it runs).
  void CancelImport();

 signals:
  void Back();
  void Cancelled();
  // An import was tried: what it came to (also when it could not start).
  void Imported(const ImportOutcome& outcome);
  // The wizard is to close with `result`.
  void Finished(eResult result);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildAssociationBox();
  void cmbNomeCampo_Click();
  void grdPreview_Click();
  void CmdDisassocia_Click();
  void txtColAssociata_LostFocus();
  void txtNmFldUtente_LostFocus();
  void txtValoreCost_LostFocus();
  void Command2_Click();
  void Command4_Click();
  // The field row whose FieldName the field list shows, or -1.
  int FieldRow() const;
  // The questions before an import; false when it is not to run.
  bool ReadyToImport();
  // Whether the target table is to be emptied: the user's answer when AsktoAppend is set.
  bool EmptyTarget();
  // Starts the import on a worker thread while the window stays responsive: the progress bar
  // follows the bytes read and Cancel stops the import. ImportDone follows.
  void StartImport(ImportRequest request);
  void ImportDone();
  void Busy(bool busy);
  void ShowProgress();
  // Marks the preview column that feeds the selected field (-1: none).
  void MarkColumn(int column);
  // A preview column's heading: its number, and the header's name for it when there is one.
  QString Heading(int column) const;

  WizardRequest request_;
  std::vector<InfoFieldRow> fields_;
  QString file_;
  TextEncoding encoding_ = TextEncoding::Auto;
  TextLayout layout_;
  store::ValueFormat format_;
  std::vector<std::string> headerNames_;  // the file's header, as the layout cuts it
  QComboBox* cmbNomeCampo;
  QLineEdit* txtColAssociata;
  QLineEdit* txtNmFldUtente;
  QLineEdit* txtValoreCost;
  QPushButton* CmdDisassocia;
  forms::Grid* grdPreview;
  QPushButton* Command2;
  QPushButton* Command3;
  QPushButton* Command4;
  QProgressBar* prgImport;
  int selectedFieldRow_ = 0;
  int markedColumn_ = -1;
  bool importing_ = false;
  QList<bool> enabledBeforeImport_;
  QFutureWatcher<ImportOutcome> import_;
  std::atomic<bool> cancel_{false};
  // The latest byte counts the import reported, and whether the GUI thread has yet to show
  // them.
  std::atomic<std::int64_t> bytesRead_{0};
  std::atomic<std::int64_t> fileSize_{0};
  std::atomic<bool> progressPosted_{false};
};

}  // namespace vandrel
