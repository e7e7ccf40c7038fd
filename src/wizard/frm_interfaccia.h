// frmInterfaccia: the import wizard. One window with four stacked panels, one shown at a
// time: stage 1 (the file and its type), stage 2 for delimited or for fixed-width text, and
// stage 3 (field association and import). The controls keep the names a host's developer
// knows them by, as object names, so tests and tools can find them.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace vandrel {

namespace forms {
class Grid;
}

class frmInterfaccia : public QDialog {
  Q_OBJECT
 public:
  explicit frmInterfaccia(QWidget* parent = nullptr);

  // Puts the window in its starting state: captions in the current language, stage 1 shown,
  // "*.txt" and no file type. Runs each time the wizard is opened.
  void Form_Load();
  // Shows one panel by name and sizes and centres the window for it.
  void ShowPanel(const QString& name);
  // The panel shown now ("" when none).
  QString CurrentPanel() const;

  // The text file stage 1 accepted, which stage 2 previews and the import reads.
  const QString& ChosenFile() const { return chosenFile_; }

  // Stage 1.
  void CmdAvanti_Click();
  void cmdCercaFile_Click();
  void LoadFase2di3();
  void ResetPanelsFase2();
  void Righello(int width);
  // The four Cancel buttons: ImportResult becomes Abort and the wizard closes.
  void Abort();

  // Stage 2, delimited.
  void CAvantiD_Click();
  void CIndD_Click();

  // Stage 2, fixed width.
  void ComAvanti_Click();
  // A key typed into the limits grid: digits, Backspace, and Enter to move BEGIN -> END ->
  // the next row's BEGIN. `key` is the character's code.
  void grdInfoFldFix_KeyPress(int key);

  // Stage 3: associating fields with the preview's columns, and the import.
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

  // The layout dialog over the stage-2 panel, in the mode SpecDialogMode names.
  void PreLoadFrmMessage();

  // The panels and their controls.
  QFrame* pnlFase1di3;
  QFrame* pnlFase2di3Del;
  QFrame* pnlFase2di3Fisso;
  QFrame* pnlFase3di3;

  QComboBox* cmbTipoFonte;
  QLineEdit* txtNomeFile;
  QPushButton* CmdAvanti;
  QPushButton* CmdAnnulla;
  QPushButton* cmdCercaFile;

  QListWidget* List1;
  QComboBox* SaltaRigheD;
  QComboBox* DelimCampoD;
  QComboBox* DelimTestoD;
  QLabel* LabNomeImpD;
  QPushButton* cmdSalvImpDel;
  QPushButton* cmdImpDefDel;
  QPushButton* cmdCancImpDel;
  QPushButton* CAvantiD;
  QPushButton* CIndD;
  QPushButton* Command20;

  forms::Grid* grdInfoFldFix;
  QLabel* LabNomeImpF;
  QPushButton* cmdSalvImpFisso;
  QPushButton* cmdImpDefFisso;
  QPushButton* cmdCancImpFisso;
  QPlainTextEdit* txtPreView;
  QComboBox* ComboDelimTesto;
  QComboBox* ComboNumRighe;
  QComboBox* ComboCharDeli;
  QPushButton* ComIndietro;
  QPushButton* ComAvanti;
  QPushButton* ComAnnulla;

  QComboBox* cmbNomeCampo;
  QLineEdit* txtColAssociata;
  QLineEdit* txtNmFldUtente;
  QLineEdit* txtValoreCost;
  QPushButton* CmdDisassocia;
  forms::Grid* grdPreview;
  QPushButton* Command2;
  QPushButton* Command3;
  QPushButton* Command4;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildStage1();
  void BuildStage2Delimited();
  void BuildStage2Fixed();
  void BuildStage3();
  void ResetSpecLabel(QLabel* label);
  void FillDelimitedPreview();
  void FillFixedPreview();
  void OpenSpecDialog(const char* mode);
  // The first InfoField row whose FieldName is the field list's text, or -1.
  int FieldRow() const;
  // Steps of the Import button; false when the import is not to run.
  bool RequiredFieldsAssociated();
  bool ReadyToImport();
  void EmptyTables();

  QString chosenFile_;
  int selectedFieldRow_ = 0;
};

// The text of a lines-to-skip box as a number: blanks around it are allowed and a fraction
// is rounded to the nearest whole number, halves to even. Nothing when the text is not a
// number from 0 to 32767.
std::optional<std::int16_t> LinesToSkip(const QString& text);

}  // namespace vandrel
