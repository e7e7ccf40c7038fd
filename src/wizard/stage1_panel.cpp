#include "wizard/stage1_panel.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include "forms/forms.h"
#include "vandrel/guess.h"
#include "wizard/panel_support.h"

namespace vandrel {

using forms::MsgBox;
using forms::Text;
using namespace wizard;

Stage1Panel::Stage1Panel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("pnlFase1di3"));
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(10, 6, 10, 6);
  grid->setVerticalSpacing(4);
  grid->addWidget(StageTitle(this, "Label3", 100), 0, 0, 1, 5);
  grid->addWidget(MakeLabel(this, "Label4", 104, true), 1, 0, 1, 5);
  grid->addWidget(MakeLabel(this, "Label1", 101), 2, 0);
  txtNomeFile = Make<QLineEdit>(this, "txtNomeFile");
  grid->addWidget(txtNomeFile, 2, 1, 1, 3);
  cmdCercaFile = Make<QPushButton>(this, "cmdCercaFile", 103);
  grid->addWidget(cmdCercaFile, 2, 4);
  grid->addWidget(MakeLabel(this, "Label2", 102), 3, 0);
  cmbTipoFonte = MakeCombo(this, "cmbTipoFonte", false);
  grid->addWidget(cmbTipoFonte, 3, 1);
  grid->addWidget(MakeLabel(this, "LabCodifica", 600), 3, 2, Qt::AlignRight);
  cmbCodifica = MakeCombo(this, "cmbCodifica", false);
  cmbCodifica->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  grid->addWidget(cmbCodifica, 3, 3);
  CmdAvanti = Make<QPushButton>(this, "CmdAvanti", 0);
  CmdAnnulla = Make<QPushButton>(this, "CmdAnnulla", 2);
  // Spare height goes between the file-type row and the buttons, which sit at the bottom.
  grid->setRowMinimumHeight(4, 8);
  grid->setRowStretch(4, 1);
  grid->addLayout(ButtonRow({CmdAvanti, CmdAnnulla}), 5, 0, 1, 5);
  grid->setColumnStretch(1, 1);
  connect(CmdAvanti, &QPushButton::clicked, this, &Stage1Panel::CmdAvanti_Click);
  connect(CmdAnnulla, &QPushButton::clicked, this, &Stage1Panel::Cancelled);
  connect(cmdCercaFile, &QPushButton::clicked, this, &Stage1Panel::cmdCercaFile_Click);
  // Enter in the name box means Next, not the first button in the focus chain.
  connect(txtNomeFile, &QLineEdit::returnPressed, this, &Stage1Panel::CmdAvanti_Click);
  connect(txtNomeFile, &QLineEdit::textChanged, this, &Stage1Panel::GuessType);
  connect(cmbTipoFonte, &QComboBox::activated, this, [this] { typeChosen_ = true; });
}

void Stage1Panel::Reset(TextEncoding encoding) {
  cmbTipoFonte->clear();
  cmbTipoFonte->addItem(Text(105));
  cmbTipoFonte->addItem(Text(106));
  cmbTipoFonte->setCurrentIndex(-1);
  typeChosen_ = false;
  txtNomeFile->setText(QStringLiteral("*.txt"));
  // "Automatic", then the encodings by their names, in the order TextEncoding lists them.
  cmbCodifica->clear();
  cmbCodifica->addItem(Text(601));
  cmbCodifica->addItems({QStringLiteral("Windows-1252"), QStringLiteral("UTF-8"),
                         QStringLiteral("UTF-16LE"), QStringLiteral("UTF-16BE")});
  cmbCodifica->setCurrentIndex(static_cast<int>(encoding));
}

void Stage1Panel::CmdAvanti_Click() {
  const QString name = txtNomeFile->text();
  auto refuse = [this] {
    MsgBox(Text(107), forms::vbExclamation);
    txtNomeFile->setText(QStringLiteral("*.txt"));
  };
  // A name with a dot and a three-character extension.
  if (name.isEmpty() || name == QLatin1String("*.txt") || name.right(4).at(0) != '.') {
    refuse();
    return;
  }
  if (cmbTipoFonte->currentText().isEmpty()) {
    MsgBox(Text(108), forms::vbExclamation);
    return;
  }
  QFile file(name);
  if (!QFileInfo(name).isFile() || !file.open(QIODevice::ReadOnly)) {
    refuse();
    return;
  }
  file.close();
  // Typed or picked, the name that passed is the file imported.
  emit Accepted(name, cmbTipoFonte->currentIndex(),
                static_cast<TextEncoding>(std::max(cmbCodifica->currentIndex(), 0)));
}

void Stage1Panel::GuessType() {
  const QString name = txtNomeFile->text();
  if (typeChosen_) return;
  // A name that is no file takes back a type guessed for the name before.
  if (name.contains('*') || !QFileInfo(name).isFile()) return cmbTipoFonte->setCurrentIndex(-1);
  try {
    GuessOptions options;
    options.encoding = static_cast<TextEncoding>(std::max(cmbCodifica->currentIndex(), 0));
    cmbTipoFonte->setCurrentIndex(GuessLayout(FilePath(name), options).fixedWidth ? 1 : 0);
  } catch (const std::exception&) {
    // A file that cannot be read is refused by Next, with its message.
  }
}

void Stage1Panel::cmdCercaFile_Click() {
  try {
    forms::FileDialogRequest request;
    request.flags = forms::cdlOFNFileMustExist;
    request.title = Text(109);
    request.fileName = QStringLiteral("*.txt");
    request.filter = Text(110);
    const std::optional<QString> picked = forms::ShowOpen(request);
    txtNomeFile->setText(picked.value_or(request.fileName));
  } catch (const std::exception&) {
    MsgBox(Text(507), forms::vbCritical);
  }
}

}  // namespace vandrel
