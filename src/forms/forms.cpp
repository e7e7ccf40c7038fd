#include "forms/forms.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include "vandrel/catalogue.h"
#include "vandrel/error.h"

namespace vandrel::forms {
namespace {

int RealMessageBox(const QString& prompt, int style, const QString& title, const QString& detail) {
  QMessageBox box;
  box.setWindowTitle(title);
  if (!detail.isEmpty()) box.setDetailedText(detail);
  box.setText(
      QString(prompt).replace(QLatin1String("\r\n"), QLatin1String("\n")).replace('\r', '\n'));
  switch (style) {
    case vbCritical:
      box.setIcon(QMessageBox::Critical);
      break;
    case vbYesNoQuestion:
      box.setIcon(QMessageBox::Question);
      break;
    case vbInformation:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      box.setIcon(QMessageBox::Warning);
      break;
  }
  if (style == vbYesNoQuestion) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? vbYes : vbNo;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
  return vbOK;
}

// "Text file (*.txt)|*.txt|All file (*.*)|*.*" as Qt writes filters: "Text file (*.txt);;...".
QString QtFilter(const QString& filter) {
  const QStringList parts = filter.split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString patterns = QString(parts[i + 1]).replace(';', ' ');
    filters << (parts[i].contains('(') ? parts[i] : parts[i] + " (" + patterns + ")");
  }
  return filters.join(QLatin1String(";;"));
}

}  // namespace

FormsContext& Context() {
  static FormsContext context;
  return context;
}

int MsgBox(const QString& prompt, int style, const QString& title, const QString& detail) {
  if (const auto& scripted = Context().messageBox) return scripted(prompt, style, title, detail);
  return RealMessageBox(prompt, style, title, detail);
}

std::optional<QString> ShowOpen(const FileDialogRequest& request) {
  if (const auto& scripted = Context().fileDialog) return scripted(request);
  QFileDialog dialog(nullptr, request.title);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode((request.flags & cdlOFNFileMustExist) ? QFileDialog::ExistingFile
                                                           : QFileDialog::AnyFile);
  dialog.setNameFilter(QtFilter(request.filter));
  if (!request.fileName.contains('*')) dialog.selectFile(request.fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

int ShownLanguage() {
  const std::int32_t base = Context().language;
  const std::int32_t language = base / 1000;
  return (language >= 1 && language <= 5 && base % 1000 == 0) ? language : 2;
}

QString Text(int offset) {
  return QString::fromStdString(LoadResString(ShownLanguage() * 1000 + offset));
}

void UseQtTranslations() {
  QCoreApplication* application = QCoreApplication::instance();
  if (!application) return;
  // The translator lives with the application, as its child; its name says which it is.
  const int language = ShownLanguage();
  const char* code = language == 1 ? "it" : language == 3 ? "fr" : language == 5 ? "es" : nullptr;
  const QString wanted = code ? QStringLiteral("vandrel_qt_") + code : QString();
  QTranslator* installed = nullptr;
  for (auto* t : application->findChildren<QTranslator*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (t->objectName().startsWith(QLatin1String("vandrel_qt_"))) installed = t;
  }
  if (installed && installed->objectName() == wanted) return;
  if (installed) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
  }
  if (!code) return;
  auto* next = new QTranslator(application);
  next->setObjectName(wanted);
  if (next->load(QStringLiteral("qt_") + code,
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(next);
  } else {
    delete next;  // without Qt's translations installed, its texts stay English
  }
}

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
  return text.toStdString();
}

QString TrimSpaces(QString text) {
  qsizetype start = 0, end = text.size();
  while (start < end && text[start] == ' ') ++start;
  while (end > start && text[end - 1] == ' ') --end;
  return text.mid(start, end - start);
}

Grid::Grid(int fixedRows, int fixedCols, QWidget* parent)
    : QTableWidget(parent), fixedRows_(fixedRows), fixedCols_(fixedCols) {
  // A grid with one heading row shows it as the column header, which stays in place while
  // the rows scroll; row 0 still holds the heading texts, hidden.
  if (fixedRows_ != 1) horizontalHeader()->hide();
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setHighlightSections(false);
  verticalHeader()->hide();
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  connect(this, &QTableWidget::cellClicked, this, [this](int row, int col) {
    row_ = row;
    col_ = col;
    emit Clicked();
  });
  connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int col, int, int) {
    if (row >= 0) row_ = row;
    if (col >= 0) col_ = col;
  });
}

void Grid::SetRows(int rows) {
  const int old = rowCount();
  setRowCount(std::max(rows, 0));
  if (fixedRows_ == 1 && rows > 0) setRowHidden(0, true);
  for (int r = old; r < rows; ++r) {
    for (int c = 0; c < columnCount(); ++c) StyleFixed(r, c);
  }
  row_ = std::min(row_, std::max(rows - 1, 0));
}

void Grid::SetCols(int cols) {
  const int old = columnCount();
  setColumnCount(std::max(cols, 0));
  for (int c = old; c < cols && fixedRows_ == 1; ++c) {
    setHorizontalHeaderItem(c, new QTableWidgetItem(CellText(0, c)));
  }
  for (int c = old; c < cols; ++c) {
    for (int r = 0; r < rowCount(); ++r) StyleFixed(r, c);
  }
  col_ = std::min(col_, std::max(cols - 1, 0));
}

void Grid::SetRow(int row) {
  if (row < 0 || row >= rowCount()) throw Error(kErrSubscript, "Grid row out of range.");
  row_ = row;
  if (col_ < columnCount()) setCurrentCell(row_, col_);
}

void Grid::SetCol(int col) {
  if (col < 0 || col >= columnCount()) throw Error(kErrSubscript, "Grid column out of range.");
  col_ = col;
  if (row_ < rowCount()) setCurrentCell(row_, col_);
}

QString Grid::CellText(int row, int col) const {
  const QTableWidgetItem* cell = item(row, col);
  return cell ? cell->text() : QString();
}

void Grid::SetCellText(int row, int col, const QString& text) {
  if (row < 0 || row >= rowCount() || col < 0 || col >= columnCount()) {
    throw Error(kErrSubscript, "Grid cell out of range.");
  }
  QTableWidgetItem* cell = item(row, col);
  if (!cell) {
    StyleFixed(row, col);
    cell = item(row, col);
  }
  cell->setText(text);
  if (row == 0 && fixedRows_ == 1) {
    if (QTableWidgetItem* heading = horizontalHeaderItem(col)) heading->setText(text);
  }
}

void Grid::SetColWidth(int col, int twips) {
  setColumnWidth(col, Pixels(twips));
}

// Heading cells look like headings and cannot be selected; every cell gets an item so that
// text can be set and read without special cases.
void Grid::StyleFixed(int row, int col) {
  if (item(row, col)) return;
  auto* cell = new QTableWidgetItem;
  if (row < fixedRows_ || col < fixedCols_) {
    cell->setFlags(Qt::ItemIsEnabled);
    cell->setBackground(palette().button());
    cell->setTextAlignment(Qt::AlignCenter);
  }
  setItem(row, col, cell);
}

}  // namespace vandrel::forms
