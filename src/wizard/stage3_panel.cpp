#include "wizard/stage3_panel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>

#include "forms/forms.h"
#include "preview/c_prepara_grd_preview.h"
#include "vandrel/catalogue.h"
#include "vandrel/guess.h"
#include "vandrel/preview.h"
#include "wizard/panel_support.h"
#include "wizard/wizard_logic.h"

namespace vandrel {

using forms::Grid;
using forms::MsgBox;
using forms::Text;
using namespace wizard;

namespace {

// The fields of line `headerLine` of `file`, cut by `layout`, each without blanks at either
// end; nothing when the layout does not skip that line.
std::vector<std::string> HeaderNames(const std::string& file, TextEncoding encoding,
                                     TextLayout layout, std::int64_t headerLine) {
  std::int64_t& skip = std::visit([](auto& l) -> std::int64_t& { return l.skipLines; }, layout);
  if (skip < headerLine) return {};
  skip = headerLine - 1;
  const auto rows = PreviewRows(file, encoding, layout, 1);
  std::vector<std::string> names;
  if (!rows.empty()) {
    for (const std::string& field : rows.front()) {
      names.push_back(forms::ToUtf8(forms::FromUtf8(field).trimmed()));
    }
  }
  return names;
}

}  // namespace

Stage3Panel::Stage3Panel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("pnlFase3di3"));
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(10, 6, 10, 8);
  page->addWidget(StageTitle(this, "Label23", 300));
  page->addWidget(MakeLabel(this, "Label28", 318, true));
  BuildAssociationBox();

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
      emit Cancelled();
    }
  });
  connect(Command2, &QPushButton::clicked, this, &Stage3Panel::Command2_Click);
  connect(Command4, &QPushButton::clicked, this, &Stage3Panel::Command4_Click);
  connect(grdPreview, &Grid::Clicked, this, &Stage3Panel::grdPreview_Click);
  connect(&import_, &QFutureWatcher<ImportOutcome>::finished, this, &Stage3Panel::ImportDone);
}

// The box of the field list and of what the selected field is filled with.
void Stage3Panel::BuildAssociationBox() {
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
  static_cast<QBoxLayout*>(layout())->addWidget(frame5);

  connect(CmdDisassocia, &QPushButton::clicked, this, &Stage3Panel::CmdDisassocia_Click);
  connect(cmbNomeCampo, &QComboBox::currentIndexChanged, this, &Stage3Panel::cmbNomeCampo_Click);
  txtColAssociata->setReadOnly(true);
  for (QLineEdit* box : {txtColAssociata, txtNmFldUtente, txtValoreCost}) {
    box->installEventFilter(this);
  }
}

Stage3Panel::~Stage3Panel() {
  // The worker reports to this panel: it must be done before the panel goes, and its end no
  // longer reaches a window being taken down.
  disconnect(&import_, nullptr, this, nullptr);
  cancel_.store(true);
  while (import_.isRunning()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void Stage3Panel::Reset(const WizardRequest& request) {
  request_ = request;
  fields_ = request.import.fields;
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
  for (const InfoFieldRow& row : fields_) {
    cmbNomeCampo->addItem(QString::fromStdString(row[kFieldName]));
  }
}

void Stage3Panel::Enter(const QString& file, TextEncoding encoding, const TextLayout& layout,
                        const store::ValueFormat& format, std::optional<std::int64_t> headerLine) {
  headerNames_ = headerLine ? HeaderNames(FilePath(file), encoding, layout, *headerLine)
                            : std::vector<std::string>();
  cPreparaGrdPreview preview;
  preview.Layout(layout);
  preview.MDBFile(file);
  preview.Encoding(encoding);
  preview.Griglia(grdPreview);
  preview.RowPreview(kPreviewLines);
  preview.Action();
  file_ = file;
  encoding_ = encoding;
  layout_ = layout;
  format_ = format;
}

void Stage3Panel::Shown() {
  // Fields named as the header names a column are associated with it, unless the host or the
  // user has given them one already.
  AssociateRowsByHeader(fields_, headerNames_);
  markedColumn_ = -1;
  cmbNomeCampo->setCurrentIndex(0);
  MarkColumn(-1);
  Grid& grid = *grdPreview;
  for (int c = 0; c < grid.Cols(); ++c)
    grid.setHorizontalHeaderItem(c, new QTableWidgetItem(Heading(c)));
  // Each column as wide as its widest text, none wider than the visible part of the table.
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
    auto* heading = new QTableWidgetItem(Heading(c));
    QFont font = grid.horizontalHeader()->font();
    font.setBold(on);
    heading->setFont(font);
    grid.setHorizontalHeaderItem(c, heading);
  }
  markedColumn_ = column;
}

QString Stage3Panel::Heading(int column) const {
  const auto c = static_cast<std::size_t>(column);
  if (c >= headerNames_.size() || headerNames_[c].empty()) return QString::number(column + 1);
  return QString::number(column + 1) + ' ' + forms::FromUtf8(headerNames_[c]);
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
  return wizard::FieldRow(fields_, forms::ToUtf8(cmbNomeCampo->currentText()));
}

void Stage3Panel::cmbNomeCampo_Click() {
  const int row = FieldRow();
  if (row < 0) {
    MarkColumn(-1);
    return;
  }
  selectedFieldRow_ = row;
  const InfoFieldRow& f = fields_[static_cast<std::size_t>(row)];
  const bool newName = f[kAllowNewName] == "1";
  txtNmFldUtente->setEnabled(newName);
  findChild<QLabel*>(QStringLiteral("Label13"))->setEnabled(newName);
  txtNmFldUtente->setText(newName ? QString::fromStdString(f[kNewColumnName]) : QString());
  txtColAssociata->setEnabled(true);
  findChild<QLabel*>(QStringLiteral("Label11"))->setEnabled(true);
  const bool constant = f[kAllowConstant] == "1";
  txtValoreCost->setEnabled(constant);
  findChild<QLabel*>(QStringLiteral("Label10"))->setEnabled(constant);
  txtValoreCost->setText(constant ? QString::fromStdString(f[kConstantValue]) : QString());
  const std::string& column = f[kAssociatedColumn];
  txtColAssociata->setText(column.empty() ? QString() : QString::number(LeadingNumber(column) + 1));
  CmdDisassocia->setEnabled(!column.empty());
  MarkColumn(column.empty() ? -1 : static_cast<int>(LeadingNumber(column)));
}

void Stage3Panel::grdPreview_Click() {
  const int row = FieldRow();
  if (row < 0) return;
  fields_[static_cast<std::size_t>(row)][kAssociatedColumn] = std::to_string(grdPreview->Col());
  txtColAssociata->setText(QString::number(grdPreview->Col() + 1));
  CmdDisassocia->setEnabled(true);
  MarkColumn(grdPreview->Col());
}

void Stage3Panel::CmdDisassocia_Click() {
  if (static_cast<std::size_t>(selectedFieldRow_) < fields_.size()) {
    fields_[static_cast<std::size_t>(selectedFieldRow_)][kAssociatedColumn].clear();
  }
  txtColAssociata->clear();
  CmdDisassocia->setEnabled(false);
  MarkColumn(-1);
}

void Stage3Panel::txtColAssociata_LostFocus() {
  const int row = FieldRow();
  if (row < 0) return;
  const QString text = txtColAssociata->text();
  const long long column = text.isEmpty() ? -1 : LeadingNumber(forms::ToUtf8(text)) - 1;
  fields_[static_cast<std::size_t>(row)][kAssociatedColumn] =
      text.isEmpty() ? std::string() : std::to_string(column);
  MarkColumn(static_cast<int>(column));
}

void Stage3Panel::txtNmFldUtente_LostFocus() {
  const int row = FieldRow();
  if (row >= 0) {
    fields_[static_cast<std::size_t>(row)][kNewColumnName] = forms::ToUtf8(txtNmFldUtente->text());
  }
}

void Stage3Panel::txtValoreCost_LostFocus() {
  const int row = FieldRow();
  if (row >= 0) {
    fields_[static_cast<std::size_t>(row)][kConstantValue] = forms::ToUtf8(txtValoreCost->text());
  }
}

void Stage3Panel::Command2_Click() {
  grdPreview->SetRow(0);
  grdPreview->SetCol(0);
  grdPreview->SetText(QString());
  emit Back();
}

// At least one association, column or constant settled for every field with both, and the
// user's go-ahead.
bool Stage3Panel::ReadyToImport() {
  const bool any = std::any_of(fields_.begin(), fields_.end(),
                               [](const InfoFieldRow& f) { return !f[kAssociatedColumn].empty(); });
  if (!any) {
    MsgBox(Text(510), forms::vbExclamation);
    return false;
  }
  for (InfoFieldRow& f : fields_) {
    if (f[kAssociatedColumn].empty() || f[kConstantValue].empty()) continue;
    const QString question = Text(520) + QString::fromStdString(f[kFieldName]) + Text(521);
    if (MsgBox(question, forms::vbYesNoQuestion) == forms::vbYes) f[kConstantValue].clear();
  }
  return MsgBox(Text(314), forms::vbYesNoQuestion) == forms::vbYes;
}

bool Stage3Panel::EmptyTarget() {
  if (!request_.askToAppend) return request_.overWriteTab;
  const ImportTarget& target = request_.import.target;
  return CountRows(target, target.table) > 0 &&
         MsgBox(Text(312) + "\r\n" + Text(313), forms::vbYesNoQuestion) == forms::vbYes;
}

void Stage3Panel::Command4_Click() {
  if (fields_.empty()) return;
  // The first required field without a column is named, and selected for the user to fix.
  if (const int row = FirstUnassociatedRequired(fields_); row >= 0) {
    const QString name = QString::fromStdString(fields_[static_cast<std::size_t>(row)][kFieldName]);
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
    emit Imported({{}, error, false});
    MsgBox(Text(507), forms::vbCritical, forms::kTitle, Describe(error));
    return;
  }
  StartImport(InteractiveRequest(request_, FilePath(file_), encoding_, format_, fields_,
                                 static_cast<std::size_t>(grdPreview->Cols()), emptyTarget));
}

void Stage3Panel::CancelImport() {
  if (importing_) cancel_.store(true);
}

void Stage3Panel::StartImport(ImportRequest request) {
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
  // A host's progress handler runs on the GUI thread, as it would without the worker; an
  // Error it throws to stop the import still reaches the import.
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
  Busy(true);
  import_.setFuture(QtConcurrent::run(
      [request = std::move(request), layout = layout_] { return RunImport(request, layout); }));
}

void Stage3Panel::ImportDone() {
  const ImportOutcome outcome = import_.result();
  Busy(false);
  emit Imported(outcome);
  if (outcome.cancelled && !outcome.error) {
    MsgBox(Text(621)
               .replace(QLatin1String("%1"), QString::number(outcome.stoppedAtLine))
               .replace(QLatin1String("%2"), QString::number(outcome.counts.rowsStored))
               .replace(QLatin1String("%3"), QString::number(outcome.counts.errorRows)),
           forms::vbInformation);
    emit Finished(eResult::Abort);
    return;
  }
  if (outcome.error) {
    MsgBox(Text(507), forms::vbCritical, forms::kTitle, Describe(*outcome.error));
    // An import that could not start changed nothing: the user can put it right and retry.
    if (!outcome.ran) return;
  }
  emit Finished(ResultOf(outcome));
}

// While an import runs, only Cancel acts; the rest of stage 3 waits, as it was.
void Stage3Panel::Busy(bool busy) {
  const QList<QWidget*> idle{cmbNomeCampo,  txtColAssociata, txtNmFldUtente, txtValoreCost,
                             CmdDisassocia, grdPreview,      Command2,       Command4};
  if (busy) {
    enabledBeforeImport_.clear();
    for (QWidget* w : idle) {
      enabledBeforeImport_ << w->isEnabled();
      w->setEnabled(false);
    }
    prgImport->setFormat(Text(624) + QStringLiteral("  %p%"));
    prgImport->setValue(0);
    prgImport->show();
  } else {
    ShowProgress();
    for (qsizetype i = 0; i < idle.size() && i < enabledBeforeImport_.size(); ++i) {
      idle[i]->setEnabled(enabledBeforeImport_[i]);
    }
    prgImport->hide();
  }
  importing_ = busy;
}

void Stage3Panel::ShowProgress() {
  progressPosted_.store(false);
  const std::int64_t size = fileSize_.load();
  if (size <= 0) return;
  const std::int64_t read = std::min(bytesRead_.load(), size);
  prgImport->setValue(static_cast<int>(read * prgImport->maximum() / size));
}

}  // namespace vandrel
