// frmInterfaccia: the import wizard. One window with four stacked panels, one shown at a
// time: stage 1 (the file and its type), stage 2 for delimited or for fixed-width text, and
// stage 3 (field association and import). Each panel is a class of its own that owns its
// controls; the frame moves between them and holds what one stage hands to the next (the
// chosen file, the layout). Controls keep the names a host's developer knows them by, as
// object names, so tests and tools can find them.
#pragma once

#include <QDialog>
#include <QString>

#include "wizard/wizard_logic.h"

namespace vandrel {

class Stage1Panel;
class DelimitedPanel;
class FixedPanel;
class Stage3Panel;

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

  // Stage 1 accepted `file`: prepares and shows stage 2 of the chosen type.
  void LoadFase2di3(const QString& file);
  // The text file stage 1 accepted, which stage 2 previews and the import reads.
  const QString& ChosenFile() const { return chosenFile_; }
  // 0 delimited, 1 fixed width, -1 none chosen (stage 1's file-type list).
  int FileType() const;
  // How the chosen file is read (stage 1's character-set list).
  TextEncoding Encoding() const;

  // Stage 2 accepted `layout`, and `format` for numbers and dates: stage 3 shows, its
  // preview already filled.
  void ToStage3(wizard::WizardLayout layout, const store::ValueFormat& format);
  const wizard::WizardLayout& Layout() const { return layout_; }
  // The format chosen for this import; the control's properties keep the host's.
  const store::ValueFormat& Format() const { return format_; }
  // Back from stage 3: the stage-2 panel of the chosen type.
  void BackToStage2();

  // The four Cancel buttons: ImportResult becomes Abort and the wizard closes.
  void Abort();
  // Escape or the window's close box: while an import runs, a request to stop it.
  void reject() override;

  Stage1Panel& stage1() { return *stage1_; }
  DelimitedPanel& delimited() { return *delimited_; }
  FixedPanel& fixed() { return *fixed_; }
  Stage3Panel& stage3() { return *stage3_; }

 private:
  Stage1Panel* stage1_;
  DelimitedPanel* delimited_;
  FixedPanel* fixed_;
  Stage3Panel* stage3_;
  QString chosenFile_;
  wizard::WizardLayout layout_;
  store::ValueFormat format_;
};

}  // namespace vandrel
