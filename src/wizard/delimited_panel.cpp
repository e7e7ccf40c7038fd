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

#include "control/settings.h"
#include "engine/line_cut.h"
#include "engine/preview_lines.h"
#include "forms/forms.h"
#include "vandrel/catalogue.h"
#include "wizard/frm_interfaccia.h"
#include "wizard/frm_message.h"
#include "wizard/panel_support.h"
#include "wizard/stage3_panel.h"

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

DelimitedPanel::DelimitedPanel(frmInterfaccia& wizard) : QFrame(&wizard), wizard_(wizard) {
  setObjectName(QStringLiteral("pnlFase2di3Del"));
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(10, 6, 10, 8);
  page->addWidget(StageTitle(this, "Label24", 200));
  page->addWidget(MakeLabel(this, "Label18", 208, true));

  auto* frame7 = Make<QGroupBox>(this, "Frame7", 201);
  auto* spec = new QGridLayout(frame7);
  spec->addWidget(MakeLabel(frame7, "Label16", 202), 0, 0);
  DelimCampoD = MakeCombo(frame7, "DelimCampoD", true);
  spec->addWidget(DelimCampoD, 0, 1);
  spec->addWidget(MakeLabel(frame7, "Label14", 204), 1, 0);
  DelimTestoD = MakeCombo(frame7, "DelimTestoD", true);
  FitTokens(DelimCampoD);
  FitTokens(DelimTestoD);
  spec->addWidget(DelimTestoD, 1, 1);
  spec->addLayout(SkipLinesRow(frame7, "Label15", "SaltaRigheD", "Label25", SaltaRigheD), 2, 0, 1,
                  2);
  LabNomeImpD = MakeLabel(frame7, "LabNomeImpD", 211);
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
  page->addWidget(frame7);
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
  page->addLayout(ButtonRow({CIndD, CAvantiD, Command20}));

  connect(CAvantiD, &QPushButton::clicked, this, &DelimitedPanel::CAvantiD_Click);
  connect(CIndD, &QPushButton::clicked, this, &DelimitedPanel::CIndD_Click);
  connect(Command20, &QPushButton::clicked, &wizard_, &frmInterfaccia::Abort);
  // A change of the layout means it no longer matches the saved one named in the label.
  for (QComboBox* combo : {DelimCampoD, DelimTestoD, SaltaRigheD}) {
    connect(combo, &QComboBox::editTextChanged, this, [this] { ResetSpecLabel(LabNomeImpD); });
  }
  connect(cmdImpDefDel, &QPushButton::clicked, this, [this] { OpenSpecDialog("LoadDel"); });
  connect(cmdSalvImpDel, &QPushButton::clicked, this, [this] { OpenSpecDialog("SaveDel"); });
  connect(cmdCancImpDel, &QPushButton::clicked, this, [this] { OpenSpecDialog("CancDel"); });
}

void DelimitedPanel::Reset() {
  DelimCampoD->clear();
  DelimCampoD->addItems(
      {QStringLiteral(","), QStringLiteral(";"), Text(kTokenTab), Text(kTokenSpace)});
  DelimTestoD->clear();
  DelimTestoD->addItems({Text(kTokenNone), QStringLiteral("\""), QStringLiteral(",")});
  DelimTestoD->setCurrentIndex(0);
  DelimCampoD->setCurrentIndex(-1);
  DelimCampoD->setEditText(QString());
  SaltaRigheD->setCurrentIndex(0);
  ShowValueFormat(cmbDecimaleD, cmbDateD, settings().Format);
}

void DelimitedPanel::FillPreview(const QString& file) {
  List1->clear();
  for (const std::string& line :
       ReadPreviewLines(FilePath(file), wizard_.Encoding(), kPreviewLines)) {
    List1->addItem(TrimSpaces(forms::FromUtf8(line)));
  }
  if (List1->count() > 0) List1->setCurrentRow(0);
}

void DelimitedPanel::CIndD_Click() {
  wizard_.ShowPanel(QStringLiteral("pnlFase1di3"));
}

void DelimitedPanel::CAvantiD_Click() {
  Stage3Panel& stage3 = wizard_.stage3();
  stage3.ClearPreview(1);
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
  std::vector<QStringList> rows;
  try {
    const std::optional<std::int16_t> skip = LinesToSkip(forms::ToUtf8(SaltaRigheD->currentText()));
    if (!skip) throw Error(kErrOverflow, "lines to skip");
    layout = MakeDelimitedLayout(forms::ToUtf8(separator), forms::ToUtf8(delimiter), *skip);
    // The records the import will store, cut as the import cuts them.
    DelimitedCutter cutter(layout);
    std::vector<std::string_view> fields;
    for (const std::string& record : ReadPreviewRecords(
             FilePath(wizard_.ChosenFile()), wizard_.Encoding(), layout, kPreviewLines)) {
      cutter.Cut(record, fields);
      QStringList& row = rows.emplace_back();
      for (std::string_view field : fields) row << TrimSpaces(forms::FromUtf8(field));
    }
  } catch (const std::exception&) {
    MsgBox(Text(217), forms::vbExclamation);
    return;
  }
  stage3.ShowPreview(rows, 0);
  wizard_.ToStage3(layout, ChosenValueFormat(cmbDecimaleD, cmbDateD));
}

QString DelimitedPanel::Separator() const {
  return DelimCampoD->currentText();
}
QString DelimitedPanel::Delimiter() const {
  return DelimTestoD->currentText();
}
QString DelimitedPanel::SkipText() const {
  return SaltaRigheD->currentText();
}

void DelimitedPanel::ShowSaved(const QString& separator, const QString& delimiter,
                               const QString& skip) {
  DelimCampoD->setEditText(separator);
  DelimTestoD->setEditText(delimiter);
  SaltaRigheD->setEditText(skip);
}

void DelimitedPanel::SetSpecLabel(const QString& text) {
  LabNomeImpD->setText(text);
}

void DelimitedPanel::OpenSpecDialog(const char* mode) {
  PreLoadFrmMessage(wizard_, QLatin1String(mode));
}

}  // namespace vandrel
