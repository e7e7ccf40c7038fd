// frmInterfaccia: the import wizard. One window with four pages stacked, one shown at a time:
// stage 1 (the file and its type), stage 2 for delimited or for fixed-width text, and stage 3
// (field association and import). Each page is a class of its own that owns its controls,
// checks its own input and hands on what it produced as a value; the frame routes those values
// to the next page and never lets one page touch another. Controls keep the names a host's
// developer knows them by, as object names, so tests and tools can find them.
//
// The frame opens with the control's settings as one value (WizardRequest) and, once closed,
// gives back what the wizard came to (WizardOutcome).
#pragma once

#include <QDialog>
#include <QString>

#include "vandrel/guess.h"
#include "vandrel/host_hooks.h"
#include "vandrel/layout.h"

class QStackedWidget;

namespace vandrel {

class Stage1Panel;
class DelimitedPanel;
class FixedPanel;
class Stage3Panel;

class frmInterfaccia : public QDialog {
  Q_OBJECT
 public:
  enum class Page { Stage1, Delimited, Fixed, Stage3 };

  explicit frmInterfaccia(QWidget* parent = nullptr);

  // Puts the window in its starting state for `request`: captions in its language, stage 1
  // shown, "*.txt" and no file type. Runs each time the wizard is opened.
  void Form_Load(const WizardRequest& request);
  // What the wizard came to: the result it set (none when it was closed without one), the
  // field rows with stage 3's associations, and the latest import it tried.
  const WizardOutcome& Outcome() const { return outcome_; }

  Page CurrentPage() const;
  // The object name of the page shown ("pnlFase1di3", ...).
  QString CurrentPanel() const;

  // Escape or the window's close box: while an import runs, a request to stop it.
  void reject() override;
  void done(int result) override;

 protected:
  // A page whose layout asks for more room than the window gives it gets a wider window.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows one page and sizes and centres the window for it.
  void ShowPage(Page page);
  // Sizes the window for the page shown: the usual size, wider where a language's captions
  // cannot fit it (French, on the fixed-width page), rather than cutting them off; centred
  // again when its size changes.
  void FitWindow();
  // Puts the window in the middle of its screen.
  void Centre();
  void ToStage2(const QString& file, int type, TextEncoding encoding);
  void ToStage3(const TextLayout& layout, const store::ValueFormat& format);
  // The four Cancel buttons: ImportResult becomes Abort and the wizard closes.
  void Abort();
  void Finish(eResult result);

  QStackedWidget* pages_;
  Stage1Panel* stage1_;
  DelimitedPanel* delimited_;
  FixedPanel* fixed_;
  Stage3Panel* stage3_;
  WizardRequest request_;
  WizardOutcome outcome_;
  // What stage 1 accepted.
  QString file_;
  int type_ = -1;
  TextEncoding encoding_ = TextEncoding::Auto;
  // The layout guessed from the file stage 1 accepted, which stage 2 opens with.
  LayoutGuess guess_;
};

}  // namespace vandrel
