#include "wizard/fixed_panel.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "forms/forms.h"
#include "vandrel/catalogue.h"
#include "vandrel/error.h"
#include "vandrel/preview.h"
#include "wizard/frm_message.h"
#include "wizard/panel_support.h"

namespace vandrel {

using forms::Grid;
using forms::MsgBox;
using forms::Text;
using namespace wizard;

// In the words the wizard has always used, whatever the language.
QString ReversedLimitsNotice() {
  return QString::fromUtf8(
      "La colonna FINE deve contenere un valore superiore alla colonna INIZIO!\r"
      "Ripetere l'inserimento.");
}

FixedPanel::FixedPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("pnlFase2di3Fisso"));
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(10, 6, 10, 8);
  page->addWidget(StageTitle(this, "Label21", 200));
  page->addWidget(MakeLabel(this, "Label8", 208, true));

  auto* top = new QHBoxLayout;
  auto* frame2 = Make<QGroupBox>(this, "Frame2", 201);
  auto* spec = new QGridLayout(frame2);
  spec->addWidget(MakeLabel(frame2, "Label7", 202, true), 0, 0);
  ComboCharDeli = MakeCombo(frame2, "ComboCharDeli", true);
  spec->addWidget(ComboCharDeli, 0, 1);
  spec->addWidget(MakeLabel(frame2, "Label20", 203, true), 1, 0, 1, 2);
  spec->addWidget(MakeLabel(frame2, "Label5", 204, true), 2, 0);
  ComboDelimTesto = MakeCombo(frame2, "ComboDelimTesto", true);
  FitTokens(ComboCharDeli);
  FitTokens(ComboDelimTesto);
  spec->addWidget(ComboDelimTesto, 2, 1);
  spec->addLayout(SkipLinesRow(frame2, "Label6", "ComboNumRighe", "Label26", ComboNumRighe), 3, 0,
                  1, 2);
  spec->setRowStretch(4, 1);
  spec->setVerticalSpacing(2);
  top->addWidget(frame2, 1);
  top->addWidget(BuildLimitsBox());
  page->addLayout(top);
  page->addLayout(ValueFormatRow(this, "F", cmbDecimaleF, cmbDateF));

  page->addWidget(MakeLabel(this, "Label27", 209, true));
  auto* frame3 = Make<QGroupBox>(this, "Frame3", 210);
  auto* preview = new QVBoxLayout(frame3);
  txtPreView = Make<QPlainTextEdit>(frame3, "txtPreView");
  txtPreView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  txtPreView->setLineWrapMode(QPlainTextEdit::NoWrap);
  txtPreView->setReadOnly(true);
  preview->addWidget(txtPreView);
  page->addWidget(frame3, 1);

  ComIndietro = Make<QPushButton>(this, "ComIndietro", 1);
  ComAvanti = Make<QPushButton>(this, "ComAvanti", 0);
  ComAnnulla = Make<QPushButton>(this, "ComAnnulla", 2);
  // The guess's note sits left of the buttons, where it costs the preview no height.
  QHBoxLayout* buttons = ButtonRow({ComIndietro, ComAvanti, ComAnnulla});
  lblGuessF = GuessNote(this, "lblGuessF");
  buttons->insertWidget(0, lblGuessF, 1);
  page->addLayout(buttons);

  connect(ComIndietro, &QPushButton::clicked, this, &FixedPanel::Back);
  connect(ComAvanti, &QPushButton::clicked, this, &FixedPanel::ComAvanti_Click);
  for (QComboBox* combo : {ComboCharDeli, ComboDelimTesto, ComboNumRighe}) {
    connect(combo, &QComboBox::editTextChanged, this, [this] { ResetSpecLabel(LabNomeImpF); });
  }
  grdInfoFldFix->installEventFilter(this);
  connect(ComAnnulla, &QPushButton::clicked, this, &FixedPanel::Cancelled);
  connect(cmdImpDefFisso, &QPushButton::clicked, this, [this] { OpenSpecDialog("LoadFix"); });
  connect(cmdSalvImpFisso, &QPushButton::clicked, this, [this] { OpenSpecDialog("SaveFix"); });
  connect(cmdCancImpFisso, &QPushButton::clicked, this, [this] { OpenSpecDialog("CancFix"); });
}

// The limits grid, and beside it the layout buttons and the name of the layout loaded.
QWidget* FixedPanel::BuildLimitsBox() {
  auto* frame1 = Make<QGroupBox>(this, "Frame1", 207);
  auto* fields = new QGridLayout(frame1);
  grdInfoFldFix = Make<Grid>(frame1, "grdInfoFldFix", -1, 1, 1);
  grdInfoFldFix->setFixedSize(forms::Pixels(2100), forms::Pixels(2600));  // widened by Reset
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
  // The layout buttons keep their captions whole; the separator box gives way, its labels
  // wrapping.
  frame1->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  return frame1;
}

void FixedPanel::Start(const QString& file, TextEncoding encoding, const store::ValueFormat& format,
                       int fieldRows, const std::string& folder) {
  file_ = file;
  encoding_ = encoding;
  folder_ = folder;
  ComboCharDeli->clear();
  ComboCharDeli->addItems({QStringLiteral(","), QStringLiteral(";"), Text(kTokenTab),
                           Text(kTokenSpace), Text(kTokenNone)});
  ComboDelimTesto->clear();
  ComboDelimTesto->addItems({Text(kTokenNone), QStringLiteral("\""), QStringLiteral(",")});
  ResetSpecLabel(LabNomeImpF);
  ComboCharDeli->setCurrentIndex(2);
  ComboDelimTesto->setCurrentIndex(0);
  ComboNumRighe->setCurrentIndex(0);
  ShowValueFormat(cmbDecimaleF, cmbDateF, format);
  guessedCells_.clear();
  lblGuessF->hide();
  grdInfoFldFix->SetCols(3);
  grdInfoFldFix->SetRows(fieldRows + 5);
  grdInfoFldFix->SetCellText(0, 1, Text(12));
  grdInfoFldFix->SetCellText(0, 2, Text(13));
  for (int r = 1; r < grdInfoFldFix->Rows(); ++r) {
    grdInfoFldFix->SetCellText(r, 0, QString::number(r));
    grdInfoFldFix->SetCellText(r, 1, QString());
    grdInfoFldFix->SetCellText(r, 2, QString());
  }
  // BEGIN and END as wide as their headings in this language, the grid as wide as its
  // columns and scroll bar.
  Grid& grid = *grdInfoFldFix;
  grid.SetColWidth(0, 300);
  for (int c : {1, 2}) {
    const int heading =
        grid.horizontalHeader()->fontMetrics().horizontalAdvance(grid.CellText(0, c)) + 14;
    grid.setColumnWidth(c, std::max(forms::Pixels(700), heading));
  }
  grid.setFixedWidth(grid.columnWidth(0) + grid.columnWidth(1) + grid.columnWidth(2) +
                     grid.verticalScrollBar()->sizeHint().width() + 2 * grid.frameWidth());
}

void FixedPanel::ShowGuess(const LayoutGuess& guess) {
  std::vector<LimitTexts> limits;
  for (const GuessedColumn& c : guess.columns) {
    limits.push_back({std::to_string(c.begin), std::to_string(c.end)});
  }
  ShowLimits(limits);
  for (std::size_t j = 0; j < limits.size(); ++j) {
    guessedCells_.insert({static_cast<int>(j) + 1, 1});
    guessedCells_.insert({static_cast<int>(j) + 1, 2});
  }
  ComboNumRighe->setEditText(QString::number(guess.skip));
  ShowValueFormat(cmbDecimaleF, cmbDateF, GuessedFormat(guess));
  lblGuessF->show();
}

void FixedPanel::FillPreview() {
  const std::vector<std::string> lines =
      ReadPreviewLines(FilePath(file_), encoding_, kPreviewLines);
  // The ruler counts characters, as BEGIN and END do.
  Righello(lines.empty() ? 0 : static_cast<int>(forms::FromUtf8(lines.front()).toUcs4().size()));
  QString text = txtPreView->toPlainText();
  for (const std::string& line : lines) text += forms::FromUtf8(line) + '\n';
  txtPreView->setPlainText(text);
}

void FixedPanel::Righello(int width) {
  txtPreView->setPlainText(QString::fromStdString(Ruler(width)));
}

bool FixedPanel::eventFilter(QObject* watched, QEvent* event) {
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
  return QFrame::eventFilter(watched, event);
}

void FixedPanel::grdInfoFldFix_KeyPress(int key) {
  Grid& grid = *grdInfoFldFix;
  ResetSpecLabel(LabNomeImpF);
  const bool dataCell = grid.Row() >= 1 && grid.Col() >= 1;  // not a heading
  // A guessed cell takes the first digit typed in place of the guess.
  const bool guessed = guessedCells_.erase({grid.Row(), grid.Col()}) > 0;
  if (guessed && key >= '0' && key <= '9') grid.SetText(QString());
  if (key == 8 && dataCell) {
    const QString text = grid.Text();
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

void FixedPanel::ComAvanti_Click() {
  Grid& limits = *grdInfoFldFix;
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
  const Limits fields = ReadLimits(LimitRows());
  if (fields.badRow > 0) {
    MsgBox(Text(219) + ' ' + QString::number(fields.badRow) + Text(220), forms::vbExclamation);
    return;
  }
  const std::optional<std::int16_t> skip = LinesToSkip(forms::ToUtf8(ComboNumRighe->currentText()));
  if (!skip) {
    MsgBox(Text(217), forms::vbExclamation);
    return;
  }
  if (fields.reversed) {
    MsgBox(ReversedLimitsNotice(), forms::vbInformation);
    return;
  }
  // Everything the import would refuse is refused here, before stage 3 is reached.
  FixedLayout layout;
  try {
    layout = MakeFixedLayout(forms::ToUtf8(ComboCharDeli->currentText()),
                             forms::ToUtf8(ComboDelimTesto->currentText().trimmed()), *skip,
                             fields.columns);
  } catch (const Error& e) {
    MsgBox(Text(217), forms::vbExclamation, forms::kTitle, Describe(e));
    return;
  }
  emit Accepted(layout, ChosenValueFormat(cmbDecimaleF, cmbDateF));
}

std::vector<LimitTexts> FixedPanel::LimitRows() const {
  std::vector<LimitTexts> rows;
  for (int r = 1; r < grdInfoFldFix->Rows(); ++r) {
    rows.push_back({forms::ToUtf8(grdInfoFldFix->CellText(r, 1)),
                    forms::ToUtf8(grdInfoFldFix->CellText(r, 2))});
  }
  return rows;
}

void FixedPanel::OpenSpecDialog(const char* mode) {
  const SpecTexts entries{ComboCharDeli->currentText(), ComboDelimTesto->currentText(),
                          ComboNumRighe->currentText(), LimitRows()};
  const std::optional<SpecChoice> choice =
      PreLoadFrmMessage(this, QLatin1String(mode), folder_, entries);
  if (!choice) return;
  if (choice->loaded) {
    ComboCharDeli->setEditText(choice->loaded->separator);
    ComboDelimTesto->setEditText(choice->loaded->delimiter);
    ComboNumRighe->setEditText(choice->loaded->skip);
    ShowLimits(choice->loaded->limits);
    guessedCells_.clear();
    lblGuessF->hide();  // the layout is the saved one now
  }
  LabNomeImpF->setText(choice->label);
}

// A loaded layout's limits, row by row from the first; rows are added where the grid has too
// few, and rows below the layout's fields keep what they held.
void FixedPanel::ShowLimits(const std::vector<LimitTexts>& limits) {
  Grid& grid = *grdInfoFldFix;
  for (std::size_t j = 0; j < limits.size(); ++j) {
    const int row = static_cast<int>(j) + 1;
    if (row >= grid.Rows()) {
      grid.SetRows(grid.Rows() + 1);
      grid.SetCellText(grid.Rows() - 1, 0, QString::number(grid.Rows() - 1));
    }
    grid.SetCellText(row, 1, QString::fromStdString(limits[j].begin));
    grid.SetCellText(row, 2, QString::fromStdString(limits[j].end));
  }
}

}  // namespace vandrel
