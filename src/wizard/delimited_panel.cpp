#include "wizard/delimited_panel.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "forms/forms.h"
#include "vandrel/catalogue.h"
#include "vandrel/error.h"
#include "vandrel/preview.h"
#include "wizard/frm_message.h"
#include "wizard/panel_support.h"
#include "wizard/wizard_logic.h"

namespace vandrel {

using forms::MsgBox;
using forms::Text;
using namespace wizard;

namespace {

// A list box that takes no typed keys.
class KeylessList : public QListWidget {
 public:
  using QListWidget::QListWidget;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->text().isEmpty()) {
      QListWidget::keyPressEvent(event);  // arrows and paging still move the selection
    } else {
      event->accept();
    }
  }
};

}  // namespace

DelimitedPanel::DelimitedPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("pnlFase2di3Del"));
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(10, 6, 10, 8);
  page->addWidget(StageTitle(this, "Label24", 200));
  page->addWidget(MakeLabel(this, "Label18", 208, true));

  page->addWidget(BuildSpecBox());
  page->addLayout(ValueFormatRow(this, "D", cmbDecimaleD, cmbDateD));

  auto* frame4 = Make<QGroupBox>(this, "Frame4", 210);
  auto* preview = new QVBoxLayout(frame4);
  List1 = Make<KeylessList>(frame4, "List1");
  List1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  preview->addWidget(List1);
  page->addWidget(frame4, 1);

  CIndD = Make<QPushButton>(this, "CIndD", 1);
  CAvantiD = Make<QPushButton>(this, "CAvantiD", 0);
  Command20 = Make<QPushButton>(this, "Command20", 2);
  // The guess's note sits left of the buttons, where it costs the preview no height.
  QHBoxLayout* buttons = ButtonRow({CIndD, CAvantiD, Command20});
  lblGuessD = GuessNote(this, "lblGuessD");
  buttons->insertWidget(0, lblGuessD, 1);
  page->addLayout(buttons);

  connect(CAvantiD, &QPushButton::clicked, this, &DelimitedPanel::CAvantiD_Click);
  connect(CIndD, &QPushButton::clicked, this, &DelimitedPanel::Back);
  connect(Command20, &QPushButton::clicked, this, &DelimitedPanel::Cancelled);
  // A change of the layout means it no longer matches the saved one named in the label.
  for (QComboBox* combo : {DelimCampoD, DelimTestoD, SaltaRigheD}) {
    connect(combo, &QComboBox::editTextChanged, this,
            [this] { wizard::ResetSpecLabel(LabNomeImpD); });
  }
  connect(cmdImpDefDel, &QPushButton::clicked, this, [this] { OpenSpecDialog("LoadDel"); });
  connect(cmdSalvImpDel, &QPushButton::clicked, this, [this] { OpenSpecDialog("SaveDel"); });
  connect(cmdCancImpDel, &QPushButton::clicked, this, [this] { OpenSpecDialog("CancDel"); });
}

// The separator, the delimiter, the lines to skip, and beside them the layout buttons and the
// name of the layout loaded.
QWidget* DelimitedPanel::BuildSpecBox() {
  auto* frame7 = Make<QGroupBox>(this, "Frame7", 201);
  auto* spec = new QGridLayout(frame7);
  spec->addWidget(MakeLabel(frame7, "Label16", 202, true), 0, 0);
  DelimCampoD = MakeCombo(frame7, "DelimCampoD", true);
  spec->addWidget(DelimCampoD, 0, 1);
  spec->addWidget(MakeLabel(frame7, "Label14", 204, true), 1, 0);
  DelimTestoD = MakeCombo(frame7, "DelimTestoD", true);
  FitTokens(DelimCampoD);
  FitTokens(DelimTestoD);
  spec->addWidget(DelimTestoD, 1, 1);
  spec->addLayout(SkipLinesRow(frame7, "Label15", "SaltaRigheD", "Label25", SaltaRigheD), 2, 0, 1,
                  2);
  LabNomeImpD = MakeLabel(frame7, "LabNomeImpD", 211, true);
  LabNomeImpD->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  spec->addWidget(LabNomeImpD, 0, 2, 2, 1);
  auto* specButtons = new QVBoxLayout;
  cmdImpDefDel = Make<QPushButton>(frame7, "cmdImpDefDel", 212);
  cmdSalvImpDel = Make<QPushButton>(frame7, "cmdSalvImpDel", 213);
  cmdCancImpDel = Make<QPushButton>(frame7, "cmdCancImpDel", 214);
  specButtons->addWidget(cmdImpDefDel);
  specButtons->addWidget(cmdSalvImpDel);
  specButtons->addWidget(cmdCancImpDel);
  spec->addLayout(specButtons, 0, 3, 3, 1);
  spec->setColumnStretch(1, 1);
  spec->setColumnStretch(2, 1);
  return frame7;
}

void DelimitedPanel::Start(const QString& file, TextEncoding encoding,
                           const store::ValueFormat& format, const std::string& folder) {
  file_ = file;
  encoding_ = encoding;
  folder_ = folder;
  DelimCampoD->clear();
  DelimCampoD->addItems(
      {QStringLiteral(","), QStringLiteral(";"), Text(kTokenTab), Text(kTokenSpace)});
  DelimTestoD->clear();
  DelimTestoD->addItems({Text(kTokenNone), QStringLiteral("\""), QStringLiteral(",")});
  DelimTestoD->setCurrentIndex(0);
  DelimCampoD->setCurrentIndex(-1);
  DelimCampoD->setEditText(QString());
  SaltaRigheD->setCurrentIndex(0);
  ShowValueFormat(cmbDecimaleD, cmbDateD, format);
  lblGuessD->hide();
}

void DelimitedPanel::ShowGuess(const LayoutGuess& guess) {
  if (guess.separator) DelimCampoD->setEditText(GuessedCharacter(guess.separator));
  DelimTestoD->setEditText(GuessedCharacter(guess.delimiter));
  SaltaRigheD->setEditText(QString::number(guess.skip));
  ShowValueFormat(cmbDecimaleD, cmbDateD, GuessedFormat(guess));
  lblGuessD->show();
}

void DelimitedPanel::FillPreview() {
  List1->clear();
  for (const std::string& line : ReadPreviewLines(FilePath(file_), encoding_, kPreviewLines)) {
    List1->addItem(forms::TrimSpaces(forms::FromUtf8(line)));
  }
  if (List1->count() > 0) List1->setCurrentRow(0);
}

void DelimitedPanel::CAvantiD_Click() {
  const QString separator = DelimCampoD->currentText();
  const QString delimiter = DelimTestoD->currentText().trimmed();
  if (separator.isEmpty() || IsToken(forms::ToUtf8(separator), kTokenNone)) {
    MsgBox(Text(215), forms::vbExclamation);
    return;
  }
  if (delimiter.isEmpty()) {
    MsgBox(Text(216), forms::vbExclamation);
    return;
  }
  if (SaltaRigheD->currentText().isEmpty()) {
    MsgBox(Text(502), forms::vbExclamation);
    return;
  }
  DelimitedLayout layout;
  try {
    const std::optional<std::int16_t> skip = LinesToSkip(forms::ToUtf8(SaltaRigheD->currentText()));
    if (!skip) throw Error(kErrOverflow, "The lines to skip are not a number from 0 to 32767.");
    layout = MakeDelimitedLayout(forms::ToUtf8(separator), forms::ToUtf8(delimiter), *skip);
  } catch (const Error& e) {
    MsgBox(Text(217), forms::vbExclamation, forms::kTitle, Describe(e));
    return;
  }
  emit Accepted(layout, ChosenValueFormat(cmbDecimaleD, cmbDateD));
}

void DelimitedPanel::ResetSpecLabel() {
  wizard::ResetSpecLabel(LabNomeImpD);
}

void DelimitedPanel::OpenSpecDialog(const char* mode) {
  const SpecTexts entries{
      DelimCampoD->currentText(), DelimTestoD->currentText(), SaltaRigheD->currentText(), {}};
  const std::optional<SpecChoice> choice =
      PreLoadFrmMessage(this, QLatin1String(mode), folder_, entries);
  if (!choice) return;
  if (choice->loaded) {
    DelimCampoD->setEditText(choice->loaded->separator);
    DelimTestoD->setEditText(choice->loaded->delimiter);
    SaltaRigheD->setEditText(choice->loaded->skip);
    lblGuessD->hide();  // the layout is the saved one now
  }
  LabNomeImpD->setText(choice->label);
}

}  // namespace vandrel
