#include "wizard/stage3_panel.h"

#include <QComboBox>
#include <QEvent>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <exception>
#include <thread>

#include "control/settings.h"
#include "forms/forms.h"
#include "vandrel/catalogue.h"
#include "wizard/frm_interfaccia.h"
#include "wizard/panel_support.h"
#include "wizard/wizard_logic.h"

namespace vandrel {

using forms::Grid;
using forms::MsgBox;
using forms::Text;
using namespace wizard;

namespace {

InfoFieldRow& Field(int row) {
  return (*settings().InfoField)[static_cast<std::size_t>(row)];
}

QString Describe(const Error& error) {
  return QString::number(error.number()) + ": " + QString::fromStdString(error.description());
}

}  // namespace

Stage3Panel::Stage3Panel(frmInterfaccia& wizard) : QFrame(&wizard), wizard_(wizard) {
  setObjectName(QStringLiteral("pnlFase3di3"));
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(10, 6, 10, 8);
  page->addWidget(StageTitle(this, "Label23", 300));
  page->addWidget(MakeLabel(this, "Label28", 318, true));

  auto* frame5 = Make<QGroupBox>(this, "Frame5", 301);
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

  page->addWidget(MakeLabel(this, "Label22", 306, true));
  auto* frame6 = Make<QGroupBox>(this, "Frame6", 307);
  auto* preview = new QVBoxLayout(frame6);
  grdPreview = Make<Grid>(frame6, "grdPreview", -1, 0, 0);
  // Numbered as the Column box numbers them.
  grdPreview->horizontalHeader()->show();
  grdPreview->horizontalHeader()->setSectionsClickable(false);
  grdPreview->horizontalHeader()->setHighlightSections(false);
  preview->addWidget(grdPreview);
  page->addWidget(frame6, 1);

  prgImport = Make<QProgressBar>(this, "prgImport");
  prgImport->setRange(0, 1000);
  // Keeps its place when hidden, so the window does not move under the user's pointer.
  QSizePolicy keep = prgImport->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  prgImport->setSizePolicy(keep);
  prgImport->hide();
  page->addWidget(prgImport);

  Command2 = Make<QPushButton>(this, "Command2", 1);
  Command4 = Make<QPushButton>(this, "Command4", 3);
  Command3 = Make<QPushButton>(this, "Command3", 2);
  page->addLayout(ButtonRow({Command2, Command4, Command3}));
  connect(Command3, &QPushButton::clicked, this, [this] {
    if (importing_) {
      CancelImport();
    } else {
      wizard_.Abort();
    }
  });
  connect(Command2, &QPushButton::clicked, this, &Stage3Panel::Command2_Click);
  connect(Command4, &QPushButton::clicked, this, &Stage3Panel::Command4_Click);
  connect(CmdDisassocia, &QPushButton::clicked, this, &Stage3Panel::CmdDisassocia_Click);
  connect(cmbNomeCampo, &QComboBox::currentIndexChanged, this, &Stage3Panel::cmbNomeCampo_Click);
  connect(grdPreview, &Grid::Clicked, this, &Stage3Panel::grdPreview_Click);
  txtColAssociata->setReadOnly(true);
  for (QLineEdit* box : {txtColAssociata, txtNmFldUtente, txtValoreCost}) {
    box->installEventFilter(this);
  }
}

void Stage3Panel::Reset() {
  selectedFieldRow_ = 0;
  // The labels go with their boxes.
  for (QWidget* w : {static_cast<QWidget*>(txtNmFldUtente), static_cast<QWidget*>(txtValoreCost),
                     static_cast<QWidget*>(CmdDisassocia),
                     static_cast<QWidget*>(findChild<QLabel*>(QStringLiteral("Label13"))),
                     static_cast<QWidget*>(findChild<QLabel*>(QStringLiteral("Label10")))}) {
    w->setEnabled(false);
  }
  for (QLineEdit* box : {txtColAssociata, txtNmFldUtente, txtValoreCost}) box->clear();
}

void Stage3Panel::FillFieldList() {
  cmbNomeCampo->clear();
  cmbNomeCampo->addItem(Text(kTokenNone));
  for (const InfoFieldRow& row : *settings().InfoField) {
    cmbNomeCampo->addItem(QString::fromStdString(row[kFieldName]));
  }
}

void Stage3Panel::ClearPreview(int rows) {
  grdPreview->SetRows(rows);
  grdPreview->SetCols(1);
  for (int r = 0; r < rows; ++r) grdPreview->SetCellText(r, 0, QString());
  grdPreview->SetRow(rows - 1);
}

void Stage3Panel::ShowPreview(const std::vector<QStringList>& rows, int firstRow) {
  qsizetype columns = 1;
  for (const QStringList& fields : rows) columns = std::max(columns, fields.size());
  grdPreview->SetRows(std::max(static_cast<int>(rows.size()) + firstRow, 1));
  grdPreview->SetCols(static_cast<int>(columns));
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (qsizetype c = 0; c < rows[r].size(); ++c) {
      grdPreview->SetCellText(static_cast<int>(r) + firstRow, static_cast<int>(c), rows[r][c]);
    }
  }
}

void Stage3Panel::Enter() {
  markedColumn_ = -1;
  cmbNomeCampo->setCurrentIndex(0);
  MarkColumn(-1);
  // Each column as wide as its widest text, none wider than the visible part of the table.
  Grid& grid = *grdPreview;
  grid.resizeColumnsToContents();
  const int widest = std::max(grid.viewport()->width() - 4, 60);
  for (int c = 0; c < grid.Cols(); ++c) {
    grid.setColumnWidth(c, std::clamp(grid.columnWidth(c) + 8, 40, widest));
  }
  // No cell looks chosen before the user clicks one.
  grid.setCurrentCell(-1, -1);
  grid.clearSelection();
  grid.scrollToTop();
  grid.horizontalScrollBar()->setValue(0);
}

void Stage3Panel::MarkColumn(int column) {
  Grid& grid = *grdPreview;
  if (column >= grid.Cols()) column = -1;
  const QBrush marked(palette().color(QPalette::Highlight).lighter(175));
  for (int c : {markedColumn_, column}) {
    if (c < 0 || c >= grid.Cols()) continue;
    const bool on = c == column;
    for (int r = 0; r < grid.Rows(); ++r) {
      if (QTableWidgetItem* cell = grid.item(r, c)) cell->setBackground(on ? marked : QBrush());
    }
    auto* heading = new QTableWidgetItem(QString::number(c + 1));
    QFont font = grid.horizontalHeader()->font();
    font.setBold(on);
    heading->setFont(font);
    grid.setHorizontalHeaderItem(c, heading);
  }
  markedColumn_ = column;
}

bool Stage3Panel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    if (watched == txtColAssociata) txtColAssociata_LostFocus();
    if (watched == txtNmFldUtente) txtNmFldUtente_LostFocus();
    if (watched == txtValoreCost) txtValoreCost_LostFocus();
  }
  return QFrame::eventFilter(watched, event);
}

int Stage3Panel::FieldRow() const {
  if (!settings().InfoField) return -1;
  return wizard::FieldRow(*settings().InfoField, forms::ToUtf8(cmbNomeCampo->currentText()));
}

void Stage3Panel::cmbNomeCampo_Click() {
  const int row = FieldRow();
  if (row < 0) {
    MarkColumn(-1);
    return;
  }
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
  MarkColumn(column.empty() ? -1 : static_cast<int>(LeadingNumber(column)));
}

void Stage3Panel::grdPreview_Click() {
  const int row = FieldRow();
  if (row < 0) return;
  Field(row)[kAssociatedColumn] = std::to_string(grdPreview->Col());
  txtColAssociata->setText(QString::number(grdPreview->Col() + 1));
  CmdDisassocia->setEnabled(true);
  MarkColumn(grdPreview->Col());
}

void Stage3Panel::CmdDisassocia_Click() {
  if (settings().InfoField &&
      static_cast<std::size_t>(selectedFieldRow_) < settings().InfoField->size()) {
    Field(selectedFieldRow_)[kAssociatedColumn].clear();
  }
  txtColAssociata->clear();
  CmdDisassocia->setEnabled(false);
  MarkColumn(-1);
}

void Stage3Panel::txtColAssociata_LostFocus() {
  const int row = FieldRow();
  if (row < 0) return;
  const QString text = txtColAssociata->text();
  Field(row)[kAssociatedColumn] =
      text.isEmpty() ? std::string() : std::to_string(LeadingNumber(forms::ToUtf8(text)) - 1);
  MarkColumn(text.isEmpty() ? -1 : static_cast<int>(LeadingNumber(forms::ToUtf8(text)) - 1));
}

void Stage3Panel::txtNmFldUtente_LostFocus() {
  const int row = FieldRow();
  if (row >= 0) Field(row)[kNewColumnName] = forms::ToUtf8(txtNmFldUtente->text());
}

void Stage3Panel::txtValoreCost_LostFocus() {
  const int row = FieldRow();
  if (row >= 0) Field(row)[kConstantValue] = forms::ToUtf8(txtValoreCost->text());
}

void Stage3Panel::Command2_Click() {
  grdPreview->SetRow(0);
  grdPreview->SetCol(0);
  grdPreview->SetText(QString());
  wizard_.BackToStage2();
}

// At least one association, column or constant settled for every field with both, and the
// user's go-ahead.
bool Stage3Panel::ReadyToImport() {
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

bool Stage3Panel::EmptyTarget() {
  const Settings& s = settings();
  if (!s.AsktoAppend) return s.OverWriteTab;
  const ImportTarget target{s.MDBFile, s.MDBPassword, s.TabImport, s.TabError};
  return CountRows(target, s.TabImport) > 0 &&
         MsgBox(Text(312) + "\r\n" + Text(313), forms::vbYesNoQuestion) == forms::vbYes;
}

void Stage3Panel::Command4_Click() {
  if (!settings().InfoField) return;
  // The first required field without a column is named, and selected for the user to fix.
  if (const int row = FirstUnassociatedRequired(*settings().InfoField); row >= 0) {
    const QString name = QString::fromStdString(Field(row)[kFieldName]);
    MsgBox(Text(308) + name + Text(509), forms::vbExclamation);
    // Selected as if the user had picked it, even when the list already shows it.
    const QSignalBlocker quiet(cmbNomeCampo);
    cmbNomeCampo->setCurrentText(name);
    cmbNomeCampo_Click();
    return;
  }
  if (!ReadyToImport()) return;
  bool emptyTarget = false;
  try {
    emptyTarget = EmptyTarget();
  } catch (const Error& error) {
    settings().LastImport = {{}, error, false};
    MsgBox(Text(507), forms::vbCritical, forms::kTitle, Describe(error));
    return;
  }
  const ImportOutcome outcome =
      RunWatched(WizardRequest(FilePath(wizard_.ChosenFile()), wizard_.Encoding(), wizard_.Format(),
                               static_cast<std::size_t>(grdPreview->Cols()), emptyTarget));
  settings().LastImport = outcome;
  if (outcome.cancelled && !outcome.error) {
    MsgBox(Text(621)
               .replace(QLatin1String("%1"), QString::number(outcome.stoppedAtLine))
               .replace(QLatin1String("%2"), QString::number(outcome.counts.rowsStored))
               .replace(QLatin1String("%3"), QString::number(outcome.counts.errorRows)),
           forms::vbInformation);
    settings().ImportResult = static_cast<std::int32_t>(eResult::Abort);
    wizard_.done(QDialog::Rejected);
    return;
  }
  if (outcome.error) {
    MsgBox(Text(507), forms::vbCritical, forms::kTitle, Describe(*outcome.error));
    // An import that could not start changed nothing: the user can put it right and retry.
    if (!outcome.ran) return;
  }
  settings().ImportResult = static_cast<std::int32_t>(ResultOf(outcome));
  wizard_.done(QDialog::Accepted);
}

void Stage3Panel::CancelImport() {
  if (importing_) cancel_.store(true);
}

ImportOutcome Stage3Panel::RunWatched(ImportRequest request) {
  cancel_.store(false);
  bytesRead_.store(0);
  fileSize_.store(0);
  request.cancel = &cancel_;
  // Called on the worker: only the counts are kept there; the bar is updated on the GUI
  // thread, at most one update waiting at a time.
  request.bytesRead = [this](std::int64_t read, std::int64_t size) {
    bytesRead_.store(read);
    fileSize_.store(size);
    if (!progressPosted_.exchange(true)) {
      QMetaObject::invokeMethod(this, &Stage3Panel::ShowProgress, Qt::QueuedConnection);
    }
  };
  // A host's progress handler runs on the GUI thread, as it did before the import had a
  // thread of its own; an Error it throws to stop the import still reaches the import.
  if (request.progress) {
    request.progress = [this, host = request.progress](const ImportStats& counts) {
      std::exception_ptr thrown;
      QMetaObject::invokeMethod(
          this,
          [&] {
            try {
              host(counts);
            } catch (...) {
              thrown = std::current_exception();
            }
          },
          Qt::BlockingQueuedConnection);
      if (thrown) std::rethrow_exception(thrown);
    };
  }
  // While it runs, only Cancel acts; the rest of stage 3 waits.
  const QList<QWidget*> idle{cmbNomeCampo,  txtColAssociata, txtNmFldUtente, txtValoreCost,
                             CmdDisassocia, grdPreview,      Command2,       Command4};
  QList<bool> wasEnabled;
  for (QWidget* w : idle) {
    wasEnabled << w->isEnabled();
    w->setEnabled(false);
  }
  prgImport->setFormat(Text(624) + QStringLiteral("  %p%"));
  prgImport->setValue(0);
  prgImport->show();
  importing_ = true;

  ImportOutcome outcome;
  QEventLoop loop;
  std::thread worker([&] {
    outcome = RunImport(request, wizard_.Layout());
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();

  importing_ = false;
  ShowProgress();
  for (qsizetype i = 0; i < idle.size(); ++i) idle[i]->setEnabled(wasEnabled[i]);
  prgImport->hide();
  return outcome;
}

void Stage3Panel::ShowProgress() {
  progressPosted_.store(false);
  const std::int64_t size = fileSize_.load();
  if (size <= 0) return;
  const std::int64_t read = std::min(bytesRead_.load(), size);
  prgImport->setValue(static_cast<int>(read * prgImport->maximum() / size));
}

}  // namespace vandrel
