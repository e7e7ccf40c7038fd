// frmMessage: the small dialog over a stage-2 panel that loads, saves or deletes a named
// layout. SpecDialogMode says which of six things it does: "LoadDel", "SaveDel", "CancDel"
// for delimited layouts, "LoadFix", "SaveFix", "CancFix" for fixed-width ones.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vandrel {

class frmInterfaccia;

// Opens the layout dialog over a stage-2 panel in `mode`: lists the saved layouts of the
// mode's kind (or says there are none) and shows the dialog modally.
void PreLoadFrmMessage(frmInterfaccia& wizard, const QString& mode);

class frmMessage : public QDialog {
  Q_OBJECT
 public:
  // `names` are the saved layouts offered in the load and delete modes.
  frmMessage(frmInterfaccia& wizard, const QString& mode, const QStringList& names);

  QLabel* lblPrompt;
  QComboBox* cmbVariant;
  QLineEdit* txtVariant;
  QPushButton* cmdOK;
  QPushButton* cmdAnnulla;

  void cmdOK_Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Form_Load();
  void Form_Activate();
  void LoadSpecDel();
  void SaveSpecDel();
  void CancSpecDel();
  void LoadSpecFix();
  void SaveSpecFix();
  void CancSpecFix();
  // Sets the panel's current-layout label and closes the dialog.
  void Close(const QString& label);

  frmInterfaccia& wizard_;
  QString mode_;
};

}  // namespace vandrel
