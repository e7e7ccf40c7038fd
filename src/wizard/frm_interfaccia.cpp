#include "wizard/frm_interfaccia.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>

#include "control/settings.h"
#include "text/cp1252.h"
#include "engine/engine_state.h"
#include "engine/import.h"
#include "engine/line_cut.h"
#include "engine/preview_lines.h"
#include "preview/c_prepara_grd_preview.h"
#include "specs/frm_message.h"
#include "vandrel/app_folder.h"
#include "vandrel/catalogue.h"
#include "vandrel/error.h"
#include "vandrel/mouse_pointer.h"
#include "vandrel/spec_files.h"
#include "vandrel/store.h"
#include "vandrel/vandrel_ctl.h"
#include "wizard/forms.h"

namespace vandrel {

using forms::Grid;
using forms::MsgBox;
using forms::Text;

namespace {

// Window and panel sizes, in twips.
constexpr int kWindowWidth = 9975;
constexpr int kStage1Height = 2395;
constexpr int kStageHeight = 6720;
constexpr int kPreviewLines = 30;

const char* const kPanelNames[] = {"pnlFase1di3", "pnlFase2di3Del", "pnlFase2di3Fisso",
                                   "pnlFase3di3"};

// A control named as the form knows it; `tag` is the catalogue offset of its caption.
template <typename W, typename... Args>
W* Make(QWidget* parent, const char* name, int tag = -1, Args&&... args) {
  auto* w = new W(std::forward<Args>(args)..., parent);
  w->setObjectName(QLatin1String(name));
  if (tag >= 0) w->setProperty("vbTag", tag);
  return w;
}

QLabel* MakeLabel(QWidget* parent, const char* name, int tag, bool wrap = false) {
  auto* label = Make<QLabel>(parent, name, tag);
  label->setWordWrap(wrap);
  return label;
}

QComboBox* MakeCombo(QWidget* parent, const char* name, bool editable) {
  auto* combo = Make<QComboBox>(parent, name);
  combo->setEditable(editable);
  combo->setInsertPolicy(QComboBox::NoInsert);
  return combo;
}

QLabel* StageTitle(QWidget* parent, const char* name, int tag) {
  QLabel* label = MakeLabel(parent, name, tag);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

// A panel's Back, Next (or Import) and Cancel, at the bottom right.
QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (QPushButton* button : buttons) row->addWidget(button);
  return row;
}

// The caption of a tagged control, whatever its kind.
void SetCaption(QWidget* w, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
    group->setTitle(text);
  }
}

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

QString TrimSpaces(QString text) {
  qsizetype start = 0, end = text.size();
  while (start < end && text[start] == ' ') ++start;
  while (end > start && text[end - 1] == ' ') --end;
  return text.mid(start, end - start);
}

std::string FilePath(const QString& name) {
  return QFile::encodeName(name).toStdString();
}

}  // namespace

std::optional<std::int16_t> LinesToSkip(const QString& text) {
  bool ok = false;
  const double value = QLocale::c().toDouble(text.trimmed(), &ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  const double rounded = std::nearbyint(value);  // halves to even
  if (rounded < 0 || rounded > 32767) return std::nullopt;
  return static_cast<std::int16_t>(rounded);
}

frmInterfaccia::frmInterfaccia(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmInterfaccia"));
  setModal(true);
  BuildStage1();
  BuildStage2Delimited();
  BuildStage2Fixed();
  BuildStage3();
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
}

// ---- Building the panels ----

void frmInterfaccia::BuildStage1() {
  pnlFase1di3 = Make<QFrame>(this, "pnlFase1di3");
  auto* grid = new QGridLayout(pnlFase1di3);
  grid->setContentsMargins(10, 6, 10, 6);
  grid->setVerticalSpacing(4);
  grid->addWidget(StageTitle(pnlFase1di3, "Label3", 100), 0, 0, 1, 4);
  grid->addWidget(MakeLabel(pnlFase1di3, "Label4", 104, true), 1, 0, 1, 4);
  grid->addWidget(MakeLabel(pnlFase1di3, "Label1", 101), 2, 0);
  txtNomeFile = Make<QLineEdit>(pnlFase1di3, "txtNomeFile");
  grid->addWidget(txtNomeFile, 2, 1, 1, 2);
  cmdCercaFile = Make<QPushButton>(pnlFase1di3, "cmdCercaFile", 103);
  grid->addWidget(cmdCercaFile, 2, 3);
  grid->addWidget(MakeLabel(pnlFase1di3, "Label2", 102), 3, 0);
  cmbTipoFonte = MakeCombo(pnlFase1di3, "cmbTipoFonte", false);
  grid->addWidget(cmbTipoFonte, 3, 1);
  CmdAvanti = Make<QPushButton>(pnlFase1di3, "CmdAvanti", 0);
  CmdAnnulla = Make<QPushButton>(pnlFase1di3, "CmdAnnulla", 2);
  grid->addWidget(CmdAvanti, 3, 2);
  grid->addWidget(CmdAnnulla, 3, 3);
  grid->setColumnStretch(1, 1);
  connect(CmdAvanti, &QPushButton::clicked, this, &frmInterfaccia::CmdAvanti_Click);
  connect(CmdAnnulla, &QPushButton::clicked, this, &frmInterfaccia::Abort);
  connect(cmdCercaFile, &QPushButton::clicked, this, &frmInterfaccia::cmdCercaFile_Click);
  // Enter in the name box means Next, not the first button in the focus chain.
  connect(txtNomeFile, &QLineEdit::returnPressed, this, &frmInterfaccia::CmdAvanti_Click);
}

void frmInterfaccia::BuildStage2Delimited() {
  pnlFase2di3Del = Make<QFrame>(this, "pnlFase2di3Del");
  auto* page = new QVBoxLayout(pnlFase2di3Del);
  page->setContentsMargins(10, 6, 10, 8);
  page->addWidget(StageTitle(pnlFase2di3Del, "Label24", 200));
  page->addWidget(MakeLabel(pnlFase2di3Del, "Label18", 208, true));

  auto* frame7 = Make<QGroupBox>(pnlFase2di3Del, "Frame7", 201);
  auto* spec = new QGridLayout(frame7);
  spec->addWidget(MakeLabel(frame7, "Label16", 202), 0, 0);
  DelimCampoD = MakeCombo(frame7, "DelimCampoD", true);
  spec->addWidget(DelimCampoD, 0, 1);
  spec->addWidget(MakeLabel(frame7, "Label14", 204), 1, 0);
  DelimTestoD = MakeCombo(frame7, "DelimTestoD", true);
  spec->addWidget(DelimTestoD, 1, 1);
  auto* skipRow = new QHBoxLayout;
  skipRow->addWidget(MakeLabel(frame7, "Label15", 205));
  SaltaRigheD = MakeCombo(frame7, "SaltaRigheD", true);
  for (int i = 0; i <= 10; ++i) SaltaRigheD->addItem(QString::number(i));
  skipRow->addWidget(SaltaRigheD);
  skipRow->addWidget(MakeLabel(frame7, "Label25", 206));
  skipRow->addStretch();
  spec->addLayout(skipRow, 2, 0, 1, 2);
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

  auto* frame4 = Make<QGroupBox>(pnlFase2di3Del, "Frame4", 210);
  auto* preview = new QVBoxLayout(frame4);
  List1 = Make<KeylessList>(frame4, "List1");
  List1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  preview->addWidget(List1);
  page->addWidget(frame4, 1);

  CIndD = Make<QPushButton>(pnlFase2di3Del, "CIndD", 1);
  CAvantiD = Make<QPushButton>(pnlFase2di3Del, "CAvantiD", 0);
  Command20 = Make<QPushButton>(pnlFase2di3Del, "Command20", 2);
  page->addLayout(ButtonRow({CIndD, CAvantiD, Command20}));

  connect(CAvantiD, &QPushButton::clicked, this, &frmInterfaccia::CAvantiD_Click);
  connect(CIndD, &QPushButton::clicked, this, &frmInterfaccia::CIndD_Click);
  connect(Command20, &QPushButton::clicked, this, &frmInterfaccia::Abort);
  // A change of the layout means it no longer matches the saved one named in the label.
  connect(DelimCampoD, &QComboBox::editTextChanged, this, [this] { ResetSpecLabel(LabNomeImpD); });
  connect(DelimTestoD, &QComboBox::editTextChanged, this, [this] { ResetSpecLabel(LabNomeImpD); });
  connect(SaltaRigheD, &QComboBox::editTextChanged, this, [this] { ResetSpecLabel(LabNomeImpD); });
  connect(cmdImpDefDel, &QPushButton::clicked, this, [this] { OpenSpecDialog("LoadDel"); });
  connect(cmdSalvImpDel, &QPushButton::clicked, this, [this] { OpenSpecDialog("SaveDel"); });
  connect(cmdCancImpDel, &QPushButton::clicked, this, [this] { OpenSpecDialog("CancDel"); });
}

void frmInterfaccia::BuildStage2Fixed() {
  pnlFase2di3Fisso = Make<QFrame>(this, "pnlFase2di3Fisso");
  auto* page = new QVBoxLayout(pnlFase2di3Fisso);
  page->setContentsMargins(10, 6, 10, 8);
  page->addWidget(StageTitle(pnlFase2di3Fisso, "Label21", 200));
  page->addWidget(MakeLabel(pnlFase2di3Fisso, "Label8", 208, true));

  auto* top = new QHBoxLayout;
  auto* frame2 = Make<QGroupBox>(pnlFase2di3Fisso, "Frame2", 201);
  auto* spec = new QGridLayout(frame2);
  spec->addWidget(MakeLabel(frame2, "Label7", 202), 0, 0);
  ComboCharDeli = MakeCombo(frame2, "ComboCharDeli", true);
  spec->addWidget(ComboCharDeli, 0, 1);
  spec->addWidget(MakeLabel(frame2, "Label20", 203), 1, 0, 1, 2);
  spec->addWidget(MakeLabel(frame2, "Label5", 204), 2, 0);
  ComboDelimTesto = MakeCombo(frame2, "ComboDelimTesto", true);
  spec->addWidget(ComboDelimTesto, 2, 1);
  auto* skipRow = new QHBoxLayout;
  skipRow->addWidget(MakeLabel(frame2, "Label6", 205));
  ComboNumRighe = MakeCombo(frame2, "ComboNumRighe", true);
  for (int i = 0; i <= 10; ++i) ComboNumRighe->addItem(QString::number(i));
  skipRow->addWidget(ComboNumRighe);
  skipRow->addWidget(MakeLabel(frame2, "Label26", 206));
  skipRow->addStretch();
  spec->addLayout(skipRow, 3, 0, 1, 2);
  spec->setRowStretch(4, 1);
  top->addWidget(frame2, 1);

  auto* frame1 = Make<QGroupBox>(pnlFase2di3Fisso, "Frame1", 207);
  auto* fields = new QGridLayout(frame1);
  grdInfoFldFix = Make<Grid>(frame1, "grdInfoFldFix", -1, 1, 1);
  grdInfoFldFix->setFixedSize(forms::Pixels(2100), forms::Pixels(1800));
  fields->addWidget(grdInfoFldFix, 0, 0, 4, 1);
  cmdImpDefFisso = Make<QPushButton>(frame1, "cmdImpDefFisso", 212);
  cmdSalvImpFisso = Make<QPushButton>(frame1, "cmdSalvImpFisso", 213);
  cmdCancImpFisso = Make<QPushButton>(frame1, "cmdCancImpFisso", 214);
  fields->addWidget(cmdImpDefFisso, 0, 1);
  fields->addWidget(cmdSalvImpFisso, 1, 1);
  fields->addWidget(cmdCancImpFisso, 2, 1);
  LabNomeImpF = MakeLabel(frame1, "LabNomeImpF", 211);
  LabNomeImpF->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  fields->addWidget(LabNomeImpF, 3, 1);
  fields->setVerticalSpacing(2);
  spec->setVerticalSpacing(2);
  top->addWidget(frame1);
  page->addLayout(top);

  page->addWidget(MakeLabel(pnlFase2di3Fisso, "Label27", 209, true));
  auto* frame3 = Make<QGroupBox>(pnlFase2di3Fisso, "Frame3", 210);
  auto* preview = new QVBoxLayout(frame3);
  txtPreView = Make<QPlainTextEdit>(frame3, "txtPreView");
  txtPreView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  txtPreView->setLineWrapMode(QPlainTextEdit::NoWrap);
  txtPreView->setReadOnly(true);
  preview->addWidget(txtPreView);
  page->addWidget(frame3, 1);

  ComIndietro = Make<QPushButton>(pnlFase2di3Fisso, "ComIndietro", 1);
  ComAvanti = Make<QPushButton>(pnlFase2di3Fisso, "ComAvanti", 0);
  ComAnnulla = Make<QPushButton>(pnlFase2di3Fisso, "ComAnnulla", 2);
  page->addLayout(ButtonRow({ComIndietro, ComAvanti, ComAnnulla}));

  connect(ComIndietro, &QPushButton::clicked, this, [this] { ShowPanel("pnlFase1di3"); });
  connect(ComAvanti, &QPushButton::clicked, this, &frmInterfaccia::ComAvanti_Click);
  for (QComboBox* combo : {ComboCharDeli, ComboDelimTesto, ComboNumRighe}) {
    connect(combo, &QComboBox::editTextChanged, this, [this] { ResetSpecLabel(LabNomeImpF); });
  }
  grdInfoFldFix->installEventFilter(this);
  connect(ComAnnulla, &QPushButton::clicked, this, &frmInterfaccia::Abort);
  connect(cmdImpDefFisso, &QPushButton::clicked, this, [this] { OpenSpecDialog("LoadFix"); });
  connect(cmdSalvImpFisso, &QPushButton::clicked, this, [this] { OpenSpecDialog("SaveFix"); });
  connect(cmdCancImpFisso, &QPushButton::clicked, this, [this] { OpenSpecDialog("CancFix"); });
}

void frmInterfaccia::BuildStage3() {
  pnlFase3di3 = Make<QFrame>(this, "pnlFase3di3");
  auto* page = new QVBoxLayout(pnlFase3di3);
  page->setContentsMargins(10, 6, 10, 8);
  page->addWidget(StageTitle(pnlFase3di3, "Label23", 300));
  page->addWidget(MakeLabel(pnlFase3di3, "Label28", 318, true));

  auto* frame5 = Make<QGroupBox>(pnlFase3di3, "Frame5", 301);
  auto* assoc = new QGridLayout(frame5);
  assoc->setVerticalSpacing(3);
  assoc->addWidget(MakeLabel(frame5, "Label12", 302), 0, 0);
  cmbNomeCampo = MakeCombo(frame5, "cmbNomeCampo", false);
  assoc->addWidget(cmbNomeCampo, 0, 1);
  assoc->addWidget(MakeLabel(frame5, "Label11", 303), 1, 0);
  auto* columnRow = new QHBoxLayout;
  txtColAssociata = Make<QLineEdit>(frame5, "txtColAssociata");
  txtColAssociata->setFixedWidth(forms::Pixels(900));
  columnRow->addWidget(txtColAssociata);
  CmdDisassocia = Make<QPushButton>(frame5, "CmdDisassocia", 319);
  columnRow->addWidget(CmdDisassocia);
  columnRow->addStretch();
  assoc->addLayout(columnRow, 1, 1);
  assoc->addWidget(MakeLabel(frame5, "Label13", 304), 2, 0);
  txtNmFldUtente = Make<QLineEdit>(frame5, "txtNmFldUtente");
  assoc->addWidget(txtNmFldUtente, 2, 1);
  assoc->addWidget(MakeLabel(frame5, "Label10", 305), 3, 0);
  txtValoreCost = Make<QLineEdit>(frame5, "txtValoreCost");
  assoc->addWidget(txtValoreCost, 3, 1);
  assoc->setColumnStretch(1, 1);
  page->addWidget(frame5);

  page->addWidget(MakeLabel(pnlFase3di3, "Label22", 306, true));
  auto* frame6 = Make<QGroupBox>(pnlFase3di3, "Frame6", 307);
  auto* preview = new QVBoxLayout(frame6);
  grdPreview = Make<Grid>(frame6, "grdPreview", -1, 0, 0);
  preview->addWidget(grdPreview);
  page->addWidget(frame6, 1);

  Command2 = Make<QPushButton>(pnlFase3di3, "Command2", 1);
  Command4 = Make<QPushButton>(pnlFase3di3, "Command4", 3);
  Command3 = Make<QPushButton>(pnlFase3di3, "Command3", 2);
  page->addLayout(ButtonRow({Command2, Command4, Command3}));
  connect(Command3, &QPushButton::clicked, this, &frmInterfaccia::Abort);
  connect(Command2, &QPushButton::clicked, this, &frmInterfaccia::Command2_Click);
  connect(Command4, &QPushButton::clicked, this, &frmInterfaccia::Command4_Click);
  connect(CmdDisassocia, &QPushButton::clicked, this, &frmInterfaccia::CmdDisassocia_Click);
  connect(cmbNomeCampo, &QComboBox::currentIndexChanged, this, &frmInterfaccia::cmbNomeCampo_Click);
  connect(grdPreview, &Grid::Clicked, this, &frmInterfaccia::grdPreview_Click);
  txtColAssociata->setReadOnly(true);
  for (QLineEdit* box : {txtColAssociata, txtNmFldUtente, txtValoreCost})
    box->installEventFilter(this);
}

// ---- The frame ----

void frmInterfaccia::Form_Load() {
  for (const char* name : kPanelNames) findChild<QFrame*>(QLatin1String(name))->move(0, 0);
  ShowPanel("pnlFase1di3");
  cmbTipoFonte->clear();
  cmbTipoFonte->addItem(Text(105));
  cmbTipoFonte->addItem(Text(106));
  cmbTipoFonte->setCurrentIndex(-1);
  txtNomeFile->setText(QStringLiteral("*.txt"));
  chosenFile_.clear();
  selectedFieldRow_ = 0;
  for (QWidget* w : {static_cast<QWidget*>(txtNmFldUtente), static_cast<QWidget*>(txtValoreCost),
                     static_cast<QWidget*>(CmdDisassocia)}) {
    w->setEnabled(false);
  }
  for (QLineEdit* box : {txtColAssociata, txtNmFldUtente, txtValoreCost}) box->clear();
  for (QWidget* w : findChildren<QWidget*>()) {
    const QVariant tag = w->property("vbTag");
    if (tag.isValid()) SetCaption(w, Text(tag.toInt()));
  }
}

void frmInterfaccia::ShowPanel(const QString& name) {
  setWindowTitle(Text(15));
  QFrame* shown = nullptr;
  for (const char* panelName : kPanelNames) {
    auto* panel = findChild<QFrame*>(QLatin1String(panelName));
    panel->hide();
    if (name == QLatin1String(panelName)) shown = panel;
  }
  const int height = name == QLatin1String("pnlFase1di3") ? kStage1Height : kStageHeight;
  const QSize size(forms::Pixels(kWindowWidth), forms::Pixels(height));
  setFixedSize(size);
  if (shown) {
    shown->setGeometry(0, 0, size.width(), size.height());
    shown->show();
  }
  if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - size.width()) / 2,
         area.y() + (area.height() - size.height()) / 2);
  }
}

QString frmInterfaccia::CurrentPanel() const {
  for (const char* name : kPanelNames) {
    if (findChild<QFrame*>(QLatin1String(name))->isVisibleTo(this)) return QLatin1String(name);
  }
  return {};
}

void frmInterfaccia::Abort() {
  settings().ImportResult = vandrel::Abort;
  done(QDialog::Rejected);
}

void frmInterfaccia::ResetSpecLabel(QLabel* label) {
  label->setText(Text(211) + '\n');
}

// ---- Stage 1 ----

void frmInterfaccia::CmdAvanti_Click() {
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
  if (QFileInfo(name).isDir() || !file.open(QIODevice::ReadOnly)) {
    refuse();
    return;
  }
  file.close();
  chosenFile_ = name;  // typed or picked, the name that passed is the file imported
  LoadFase2di3();
}

void frmInterfaccia::cmdCercaFile_Click() {
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

void frmInterfaccia::LoadFase2di3() {
  try {
    if (!settings().InfoField) {
      throw Error(kErrSubscript, "NumField has not been assigned: there are no field rows.");
    }
    ResetPanelsFase2();
    cmbNomeCampo->clear();
    cmbNomeCampo->addItem(Text(kTokenNone));
    for (const InfoFieldRow& row : *settings().InfoField) {
      cmbNomeCampo->addItem(QString::fromStdString(row[kFieldName]));
    }
    switch (cmbTipoFonte->currentIndex()) {
      case 0:
        ShowPanel("pnlFase2di3Del");
        FillDelimitedPreview();
        break;
      case 1:
        ShowPanel("pnlFase2di3Fisso");
        FillFixedPreview();
        break;
      default:
        break;
    }
  } catch (const std::exception&) {
    MsgBox(Text(507), forms::vbCritical);
    ShowPanel("pnlFase1di3");
  }
}

// The file's first lines as they stand, blanks at either end removed.
void frmInterfaccia::FillDelimitedPreview() {
  List1->clear();
  for (const std::string& line : ReadPreviewLines(FilePath(chosenFile_), kPreviewLines)) {
    List1->addItem(TrimSpaces(forms::FromFile(line)));
  }
  if (List1->count() > 0) List1->setCurrentRow(0);
}

// The ruler over the file's first lines, sized by the first line.
void frmInterfaccia::FillFixedPreview() {
  const std::vector<std::string> lines = ReadPreviewLines(FilePath(chosenFile_), kPreviewLines);
  Righello(lines.empty() ? 0 : static_cast<int>(lines.front().size()));
  QString text = txtPreView->toPlainText();
  for (const std::string& line : lines) text += forms::FromFile(line) + '\n';
  txtPreView->setPlainText(text);
}

void frmInterfaccia::Righello(int width) {
  const int tens = width / 10;
  const int units = width % 10;
  QString labels, digits;
  for (int i = 1; i <= tens + 1; ++i) {
    // Each label ends over the 0 of its block, three-digit ones too.
    labels += QString::number(i * 10).rightJustified(10);
    digits += QStringLiteral("1234567890");
  }
  for (int j = 1; j <= units; ++j) digits += QString::number(j);
  txtPreView->setPlainText(labels + '\n' + digits + '\n');
}

void frmInterfaccia::ResetPanelsFase2() {
  switch (cmbTipoFonte->currentIndex()) {
    case 0:
      DelimCampoD->clear();
      DelimCampoD->addItems(
          {QStringLiteral(","), QStringLiteral(";"), Text(kTokenTab), Text(kTokenSpace)});
      DelimTestoD->clear();
      DelimTestoD->addItems({Text(kTokenNone), QStringLiteral("\""), QStringLiteral(",")});
      DelimTestoD->setCurrentIndex(0);
      DelimCampoD->setCurrentIndex(-1);
      DelimCampoD->setEditText(QString());
      SaltaRigheD->setCurrentIndex(0);
      break;
    case 1: {
      ResetSpecLabel(LabNomeImpD);
      ComboCharDeli->clear();
      ComboCharDeli->addItems({QStringLiteral(","), QStringLiteral(";"), Text(kTokenTab),
                               Text(kTokenSpace), Text(kTokenNone)});
      ComboDelimTesto->clear();
      ComboDelimTesto->addItems({Text(kTokenNone), QStringLiteral("\""), QStringLiteral(",")});
      ResetSpecLabel(LabNomeImpF);
      ComboCharDeli->setCurrentIndex(2);
      ComboDelimTesto->setCurrentIndex(0);
      ComboNumRighe->setCurrentIndex(0);
      grdInfoFldFix->SetCols(3);
      grdInfoFldFix->SetRows(static_cast<int>(settings().InfoField->size()) + 5);
      grdInfoFldFix->SetCellText(0, 1, Text(12));
      grdInfoFldFix->SetCellText(0, 2, Text(13));
      for (int r = 1; r < grdInfoFldFix->Rows(); ++r) {
        grdInfoFldFix->SetCellText(r, 0, QString::number(r));
        grdInfoFldFix->SetCellText(r, 1, QString());
        grdInfoFldFix->SetCellText(r, 2, QString());
      }
      grdInfoFldFix->SetColWidth(1, 700);
      grdInfoFldFix->SetColWidth(2, 700);
      grdInfoFldFix->SetColWidth(0, 300);
      break;
    }
    default:
      break;
  }
}

// ---- Stage 2, delimited ----

void frmInterfaccia::CIndD_Click() {
  ShowPanel("pnlFase1di3");
}

void frmInterfaccia::CAvantiD_Click() {
  grdPreview->SetRows(1);
  grdPreview->SetCols(1);
  grdPreview->SetCellText(0, 0, QString());
  grdPreview->SetRow(0);
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
  const std::optional<std::int16_t> skip = LinesToSkip(SaltaRigheD->currentText());
  int sepCode = -1;
  int delimCode = -1;
  std::vector<std::vector<std::string>> rows;
  try {
    if (!skip) throw Error(kErrOverflow, "lines to skip");
    sepCode = CharacterCode(forms::ToUtf8(separator), -1, "field separator");
    delimCode = CharacterCode(forms::ToUtf8(delimiter), -1, "text delimiter");
    // The import drops every delimiter before it cuts, so one character cannot be both.
    if (sepCode == delimCode) throw Error(kErrInvalidArgument, "separator and delimiter alike");
    for (const std::string& line : ReadPreviewLines(FilePath(chosenFile_), kPreviewLines, *skip)) {
      // The separator test comes first: a character chosen as both always separates.
      std::vector<std::string>& fields = rows.emplace_back(1);
      for (const char c : line) {
        if (static_cast<unsigned char>(c) == sepCode) {
          fields.emplace_back();
        } else if (static_cast<unsigned char>(c) != delimCode) {
          fields.back() += c;
        }
      }
    }
  } catch (const std::exception&) {
    MsgBox(Text(217), forms::vbExclamation);
    return;
  }
  std::size_t columns = 1;
  for (const auto& fields : rows) columns = std::max(columns, fields.size());
  grdPreview->SetRows(std::max<int>(static_cast<int>(rows.size()), 1));
  grdPreview->SetCols(static_cast<int>(columns));
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      grdPreview->SetCellText(static_cast<int>(r), static_cast<int>(c),
                              TrimSpaces(forms::FromFile(rows[r][c])));
    }
  }
  for (int c = 0; c < grdPreview->Cols(); ++c) grdPreview->SetColWidth(c, 2500);
  cmbNomeCampo->setCurrentIndex(0);
  ShowPanel("pnlFase3di3");

  EngineState& e = engine();
  e.SepCodeD = sepCode;
  e.TextDelimD = forms::ToUtf8(delimiter);
  e.SkipLinesD = *skip;
}

// ---- Stage 2, fixed width ----

bool frmInterfaccia::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    if (watched == txtColAssociata) txtColAssociata_LostFocus();
    if (watched == txtNmFldUtente) txtNmFldUtente_LostFocus();
    if (watched == txtValoreCost) txtValoreCost_LostFocus();
  }
  if (watched == grdInfoFldFix && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    int code = 0;
    if (key->key() == Qt::Key_Backspace) {
      code = 8;
    } else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      code = 13;
    } else if (key->text().size() == 1) {
      code = key->text().front().unicode();
    }
    if (code == 0) return false;  // arrows and the like move the current cell
    grdInfoFldFix_KeyPress(code);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void frmInterfaccia::grdInfoFldFix_KeyPress(int key) {
  forms::Grid& grid = *grdInfoFldFix;
  ResetSpecLabel(LabNomeImpF);
  const bool dataCell = grid.Row() >= 1 && grid.Col() >= 1;  // not a heading
  if (key == 8 && dataCell) {
    QString text = grid.Text();
    if (!text.isEmpty()) grid.SetText(text.left(text.size() - 1));
  } else if (key == 13) {
    if (grid.Col() == 1) {
      grid.SetCol(2);
    } else if (grid.Col() == 2) {
      // From the last row's END, a new row is added to go to.
      if (grid.Row() + 1 >= grid.Rows()) {
        grid.SetRows(grid.Rows() + 1);
        grid.SetCellText(grid.Rows() - 1, 0, QString::number(grid.Rows() - 1));
      }
      grid.SetRow(grid.Row() + 1);
      grid.SetCol(1);
    }
  } else if (key >= '0' && key <= '9' && dataCell) {
    grid.SetText(grid.Text() + QChar(key));
  }
}

void frmInterfaccia::ComAvanti_Click() {
  forms::Grid& limits = *grdInfoFldFix;
  grdPreview->SetRows(2);
  grdPreview->SetCols(1);
  grdPreview->SetCellText(0, 0, QString());
  grdPreview->SetCellText(1, 0, QString());
  grdPreview->SetRow(1);
  auto stop = [](QComboBox* combo, int message) {
    MsgBox(Text(message), forms::vbExclamation);
    combo->setFocus();
  };
  if (ComboCharDeli->currentText().isEmpty()) return stop(ComboCharDeli, 215);
  if (ComboDelimTesto->currentText().isEmpty()) return stop(ComboDelimTesto, 216);
  if (ComboNumRighe->currentText().isEmpty()) return stop(ComboNumRighe, 502);
  if (limits.CellText(1, 1) == QLatin1String("0")) limits.SetCellText(1, 1, QStringLiteral("1"));
  if (limits.CellText(1, 1).isEmpty() || limits.CellText(1, 2).isEmpty()) {
    MsgBox(Text(218), forms::vbInformation);
    return;
  }
  // The fields: every row down to the first without a BEGIN (or with a BEGIN of 0, where
  // the import's list of fields ends too). Each must have an END and both must fit 16 bits.
  std::vector<std::pair<std::int16_t, std::int16_t>> fields;
  for (int r = 1; r < limits.Rows(); ++r) {
    const QString begin = limits.CellText(r, 1).trimmed();
    if (begin.isEmpty()) break;
    bool beginOk = false, endOk = false;
    const int first = begin.toInt(&beginOk);
    const int last = limits.CellText(r, 2).trimmed().toInt(&endOk);
    if (!beginOk || !endOk || first > 32767 || last > 32767) {
      MsgBox(Text(219) + ' ' + QString::number(r) + Text(220), forms::vbExclamation);
      return;
    }
    if (first == 0) break;
    if (fields.size() == engine().StartColF.size()) {  // a layout holds 31 fields at most
      MsgBox(Text(219) + ' ' + QString::number(r) + Text(220), forms::vbExclamation);
      return;
    }
    fields.emplace_back(static_cast<std::int16_t>(first), static_cast<std::int16_t>(last));
  }
  const std::optional<std::int16_t> skip = LinesToSkip(ComboNumRighe->currentText());
  if (!skip) {
    MsgBox(Text(217), forms::vbExclamation);
    return;
  }
  const std::string separator = forms::ToUtf8(ComboCharDeli->currentText());
  const std::string delimiter = forms::ToUtf8(ComboDelimTesto->currentText().trimmed());
  try {
    cPreparaGrdPreview preview;
    preview.Delimit(QString::number(CharacterCode(separator, -1, "field separator")));
    preview.DelimitText(ComboDelimTesto->currentText());
    preview.MDBFile(chosenFile_);
    preview.Griglia(grdPreview);
    preview.JumpRow(*skip);
    preview.RowPreview(kPreviewLines);
    preview.NumberOfColumns(static_cast<std::int16_t>(fields.size()));
    for (std::size_t c = 0; c < fields.size(); ++c) {
      preview.ColumnsLimit(fields[c].first, fields[c].second, static_cast<std::int16_t>(c));
    }
    if (preview.Action()) return;
    // The preview checks the limits on the lines it shows; a file with none still needs them.
    for (const auto& [first, last] : fields) {
      if (first > last) {
        MsgBox(ReversedLimitsNotice(), forms::vbInformation);
        return;
      }
    }
  } catch (const std::exception&) {
    MsgBox(Text(217), forms::vbExclamation);
    return;
  }

  EngineState& e = engine();
  e.SepTextF = separator;
  e.TextDelimF = delimiter;
  e.SkipLinesF = *skip;
  e.StartColF.fill(0);
  e.EndColF.fill(0);
  for (std::size_t j = 0; j < fields.size() && j < e.StartColF.size(); ++j) {
    e.StartColF[j] = fields[j].first;
    e.EndColF[j] = fields[j].second;
  }
  ShowPanel("pnlFase3di3");
  cmbNomeCampo->setCurrentIndex(0);
  for (int c = 0; c < grdPreview->Cols(); ++c) grdPreview->SetColWidth(c, 2500);
}

// ---- Stage 3 ----

namespace {

InfoFieldRow& Field(int row) {
  return (*settings().InfoField)[static_cast<std::size_t>(row)];
}

// The number a text begins with (optionally signed), 0 when it begins with none.
long long LeadingNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  const std::size_t start = i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  const std::string number = text.substr(start, i - start);
  if (number.empty() || number == "-" || number == "+") return 0;
  try {
    return std::stoll(number);
  } catch (const std::out_of_range&) {
    return 0;
  }
}

}  // namespace

int frmInterfaccia::FieldRow() const {
  if (!settings().InfoField) return -1;
  const std::string name = forms::ToUtf8(cmbNomeCampo->currentText());
  const auto& rows = *settings().InfoField;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i][kFieldName] == name) return static_cast<int>(i);
  }
  return -1;
}

void frmInterfaccia::cmbNomeCampo_Click() {
  const int row = FieldRow();
  if (row < 0) return;
  selectedFieldRow_ = row;
  const InfoFieldRow& f = Field(row);
  auto* label13 = findChild<QLabel*>(QStringLiteral("Label13"));
  auto* label10 = findChild<QLabel*>(QStringLiteral("Label10"));
  const bool newName = f[kAllowNewName] == "1";
  txtNmFldUtente->setEnabled(newName);
  label13->setEnabled(newName);
  txtNmFldUtente->setText(newName ? QString::fromStdString(f[kNewColumnName]) : QString());
  txtColAssociata->setEnabled(true);
  findChild<QLabel*>(QStringLiteral("Label11"))->setEnabled(true);
  const bool constant = f[kAllowConstant] == "1";
  txtValoreCost->setEnabled(constant);
  label10->setEnabled(constant);
  txtValoreCost->setText(constant ? QString::fromStdString(f[kConstantValue]) : QString());
  const std::string& column = f[kAssociatedColumn];
  txtColAssociata->setText(column.empty() ? QString() : QString::number(LeadingNumber(column) + 1));
  CmdDisassocia->setEnabled(!column.empty());
}

void frmInterfaccia::grdPreview_Click() {
  const int row = FieldRow();
  if (row < 0) return;
  Field(row)[kAssociatedColumn] = std::to_string(grdPreview->Col());
  txtColAssociata->setText(QString::number(grdPreview->Col() + 1));
  CmdDisassocia->setEnabled(true);
}

void frmInterfaccia::CmdDisassocia_Click() {
  if (settings().InfoField &&
      static_cast<std::size_t>(selectedFieldRow_) < settings().InfoField->size()) {
    Field(selectedFieldRow_)[kAssociatedColumn].clear();
  }
  txtColAssociata->clear();
  CmdDisassocia->setEnabled(false);
}

void frmInterfaccia::txtColAssociata_LostFocus() {
  const int row = FieldRow();
  if (row < 0) return;
  const QString text = txtColAssociata->text();
  Field(row)[kAssociatedColumn] =
      text.isEmpty() ? std::string() : std::to_string(LeadingNumber(forms::ToUtf8(text)) - 1);
}

void frmInterfaccia::txtNmFldUtente_LostFocus() {
  const int row = FieldRow();
  if (row >= 0) Field(row)[kNewColumnName] = forms::ToUtf8(txtNmFldUtente->text());
}

void frmInterfaccia::txtValoreCost_LostFocus() {
  const int row = FieldRow();
  if (row >= 0) Field(row)[kConstantValue] = forms::ToUtf8(txtValoreCost->text());
}

void frmInterfaccia::Command2_Click() {
  grdPreview->SetRow(0);
  grdPreview->SetCol(0);
  grdPreview->SetText(QString());
  ShowPanel(cmbTipoFonte->currentIndex() == 1 ? "pnlFase2di3Fisso" : "pnlFase2di3Del");
}

// The first required field without a column is named, and selected for the user to fix.
bool frmInterfaccia::RequiredFieldsAssociated() {
  if (!settings().InfoField) return true;
  for (const InfoFieldRow& f : *settings().InfoField) {
    if (f[kRequired] != "1" || !f[kAssociatedColumn].empty()) continue;
    const QString name = QString::fromStdString(f[kFieldName]);
    MsgBox(Text(308) + name + Text(509), forms::vbExclamation);
    // Selected as if the user had picked it, even when the list already shows it.
    const QSignalBlocker quiet(cmbNomeCampo);
    cmbNomeCampo->setCurrentText(name);
    cmbNomeCampo_Click();
    return false;
  }
  return true;
}

// At least one association, column or constant settled for every field with both, and the
// user's go-ahead.
bool frmInterfaccia::ReadyToImport() {
  auto& rows = *settings().InfoField;
  const bool any = std::any_of(rows.begin(), rows.end(),
                               [](const InfoFieldRow& f) { return !f[kAssociatedColumn].empty(); });
  if (!any) {
    MsgBox(Text(510), forms::vbExclamation);
    return false;
  }
  for (InfoFieldRow& f : rows) {
    if (f[kAssociatedColumn].empty() || f[kConstantValue].empty()) continue;
    const QString question = Text(520) + QString::fromStdString(f[kFieldName]) + Text(521);
    if (MsgBox(question, forms::vbYesNoQuestion) == forms::vbYes) f[kConstantValue].clear();
  }
  return MsgBox(Text(314), forms::vbYesNoQuestion) == forms::vbYes;
}

// Empties the target table as the settings say (asking first when AsktoAppend is set), and
// always the error table.
void frmInterfaccia::EmptyTables() {
  const Settings& s = settings();
  auto db = store::OpenDatabase(s.MDBFile, false, false, s.MDBPassword);
  auto empty = [&db](const std::string& table) {
    HourglassPointer hourglass;
    db->Execute("Delete * From " + table);
  };
  if (s.AsktoAppend) {
    if (db->OpenRecordset(s.TabImport)->RecordCount() > 0 &&
        MsgBox(Text(312) + "\r\n" + Text(313), forms::vbYesNoQuestion) == forms::vbYes) {
      empty(s.TabImport);
    }
  } else if (s.OverWriteTab) {
    empty(s.TabImport);
  }
  if (db->OpenRecordset(s.TabError)->RecordCount() > 0) empty(s.TabError);
  db->Close();
}

void frmInterfaccia::Command4_Click() {
  if (!RequiredFieldsAssociated()) return;
  try {
    if (!settings().InfoField || !ReadyToImport()) return;
    EmptyTables();
    // One element per field row, and at least one per preview column.
    const std::size_t rows = settings().InfoField->size();
    engine().LineFields.assign(std::max(rows, static_cast<std::size_t>(grdPreview->Cols()) + 1),
                               {});
    const std::string file = FilePath(chosenFile_);
    switch (cmbTipoFonte->currentIndex()) {
      case 0:
        ImportaDelimitato(file);
        break;
      case 1:
        rigatxtfisso(file);
        break;
      default:
        break;
    }
    std::int32_t result = Failure;
    if (engine().ImportOK) {
      const Settings& s = settings();
      auto db = store::OpenDatabase(s.MDBFile, false, true, s.MDBPassword);
      result = db->OpenRecordset(s.TabError)->RecordCount() > 0 ? SError : Success;
      db->Close();
    }
    settings().ImportResult = result;
    done(QDialog::Accepted);
  } catch (const std::exception&) {
    // The wizard stays open on stage 3 and says that something failed.
    engine().ImportOK = false;
    MsgBox(Text(507), forms::vbCritical);
  }
}

// ---- The layout dialog ----

void frmInterfaccia::OpenSpecDialog(const char* mode) {
  SpecDialogMode() = QLatin1String(mode);
  PreLoadFrmMessage();
}

void frmInterfaccia::PreLoadFrmMessage() {
  const QString mode = SpecDialogMode();
  QStringList names;
  if (!mode.startsWith(QLatin1String("Save"))) {
    try {
      const auto kind =
          mode.endsWith(QLatin1String("Del")) ? specs::SpecKind::Delimited : specs::SpecKind::Fixed;
      for (const std::string& name : specs::ListNames(kind, ApplicationFolder())) {
        names << QString::fromStdString(name);
      }
    } catch (const std::exception&) {
      MsgBox(Text(217), forms::vbExclamation);
      return;
    }
    if (names.isEmpty()) {
      MsgBox(Text(515), forms::vbInformation);
      return;
    }
  }
  frmMessage dialog(*this, names);
  dialog.exec();
}

}  // namespace vandrel
