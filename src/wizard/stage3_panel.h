// Stage 3 of the wizard (pnlFase3di3): the table preview that stage 2 filled, the list of
// the target table's fields, and the boxes that associate a field with a column of the text
// (or a constant, or a new column name, where the host allows them). Every association is
// written straight into InfoField. Import runs the interactive import and closes the wizard.
#pragma once

#include <QFrame>
#include <QStringList>

#include <atomic>
#include <vector>

#include "vandrel/import.h"

class QComboBox;
class QProgressBar;
class QLineEdit;
class QPushButton;

namespace vandrel {

namespace forms {
class Grid;
}
class frmInterfaccia;

class Stage3Panel : public QFrame {
  Q_OBJECT
 public:
  explicit Stage3Panel(frmInterfaccia& wizard);

  // The association boxes empty and disabled, as when the window opens.
  void Reset();
  // "{NONE}" and then the FieldName of every InfoField row.
  void FillFieldList();
  // The table preview emptied to `rows` rows of one column, the last one current.
  void ClearPreview(int rows);
  // The table preview showing `rows` (one field a column) from its first row.
  void ShowPreview(const std::vector<QStringList>& rows, int firstRow);
  forms::Grid& TablePreview() { return *grdPreview; }
  // Stage 3 is shown: "{NONE}" is selected and the columns get their width.
  void Enter();

  void cmbNomeCampo_Click();
  void grdPreview_Click();
  void CmdDisassocia_Click();
  void txtColAssociata_LostFocus();
  void txtNmFldUtente_LostFocus();
  void txtValoreCost_LostFocus();
  void Command2_Click();
  void Command4_Click();
  // The InfoField row the field list last selected.
  int SelectedFieldRow() const { return selectedFieldRow_; }
  // Whether an import is running (started by Import, not yet returned).
  bool Importing() const { return importing_; }
  // Asks the running import to stop before its next line (Cancel while it runs).
  void CancelImport();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The InfoField row whose FieldName the field list shows, or -1.
  int FieldRow() const;
  // The questions before an import; false when it is not to run.
  bool ReadyToImport();
  // Whether the target table is to be emptied: the user's answer when AsktoAppend is set.
  bool EmptyTarget();
  // Runs the import on a worker thread while the window stays responsive: the progress bar
  // follows the bytes read and Cancel stops the import.
  ImportOutcome RunWatched(ImportRequest request);
  void ShowProgress();
  // Marks the preview column that feeds the selected field (-1: none).
  void MarkColumn(int column);

  frmInterfaccia& wizard_;
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
  std::atomic<bool> cancel_{false};
  // The latest byte counts the import reported, and whether the GUI thread has yet to show
  // them.
  std::atomic<std::int64_t> bytesRead_{0};
  std::atomic<std::int64_t> fileSize_{0};
  std::atomic<bool> progressPosted_{false};
};

}  // namespace vandrel
