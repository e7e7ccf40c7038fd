// frmMessage: the small dialog over a stage-2 panel that loads, saves or deletes a named
// layout. SpecDialogMode says which of six things it does: "LoadDel", "SaveDel", "CancDel"
// for delimited layouts, "LoadFix", "SaveFix", "CancFix" for fixed-width ones. The panel hands
// it the entries to save and applies what it gives back; the dialog touches no panel.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

#include "wizard/wizard_logic.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vandrel {

// A stage-2 panel's entries, as the dialog saves them and as a loaded layout sets them.
struct SpecTexts {
  QString separator;
  QString delimiter;
  QString skip;
  std::vector<wizard::LimitTexts> limits;  // fixed width only
};

// What the dialog came to, for the panel to apply.
struct SpecChoice {
  QString label;                    // the panel's "current specification" label
  std::optional<SpecTexts> loaded;  // a loaded layout, its tokens in the current language
};

// Opens the layout dialog over `parent` in `mode`: lists the saved layouts of the mode's kind
// in `folder` (or says there are none) and shows the dialog modally; `current` are the
// panel's entries, which the save modes save. Nothing when the dialog was not shown or was
// cancelled.
std::optional<SpecChoice> PreLoadFrmMessage(QWidget* parent, const QString& mode,
                                            const std::string& folder, const SpecTexts& current);

class frmMessage : public QDialog {
  Q_OBJECT
 public:
  // `names` are the saved layouts offered in the load and delete modes.
  frmMessage(QWidget* parent, const QString& mode, const std::string& folder,
             const QStringList& names, const SpecTexts& current);

  const SpecChoice& Choice() const { return choice_; }

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
  // Closes the dialog with the label the panel is to show.
  void Close(const QString& label);

  QString mode_;
  std::string folder_;
  SpecTexts current_;
  SpecChoice choice_;
};

}  // namespace vandrel
