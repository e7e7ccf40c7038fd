// The forms layer: what the wizard and the layout dialog need of Qt, in the terms they use.
// Lengths are in twips (15 to a pixel); message boxes take a style code and answer with the
// button pressed; the file dialog takes flags, a title, a file name and a filter. Message
// boxes and the file dialog go through replaceable handlers, so a test can answer them.
#pragma once

#include <QString>
#include <QTableWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QWidget;

namespace vandrel::forms {

constexpr int kTwipsPerPixel = 15;
constexpr int Pixels(int twips) {
  return twips / kTwipsPerPixel;
}

// Message-box styles and answers.
enum MsgBoxStyle : int {
  vbCritical = 16,
  vbYesNoQuestion = 36,
  vbExclamation = 48,
  vbInformation = 64
};
enum MsgBoxAnswer : int { vbOK = 1, vbYes = 6, vbNo = 7 };

inline const QString kTitle = QStringLiteral("Vandrel");

// Shows a message box and returns the answer (vbOK, or vbYes/vbNo for style 36). `detail`,
// when given, is the box's detailed text (the cause of a failure, say).
int MsgBox(const QString& prompt, int style, const QString& title = kTitle,
           const QString& detail = {});
using MessageBoxHandler = std::function<int(const QString& prompt, int style, const QString& title,
                                            const QString& detail)>;

// The file-open dialog.
inline constexpr int cdlOFNFileMustExist = 4096;
struct FileDialogRequest {
  int flags = 0;
  QString title;
  QString fileName;  // the initial pattern
  QString filter;    // "description|pattern|description|pattern"
};
// The picked file, or nothing when the user cancelled.
std::optional<QString> ShowOpen(const FileDialogRequest& request);
using FileDialogHandler = std::function<std::optional<QString>(const FileDialogRequest&)>;

// What the forms layer keeps for the process, in one place: the language the windows speak
// (set by the wizard each time it opens) and the stand-ins for message boxes and the file
// dialog, which a test sets to answer them by script (empty: the real ones).
struct FormsContext {
  std::int32_t language = 1000;  // the catalogue base, 1000 Italian .. 5000 Spanish
  MessageBoxHandler messageBox;
  FileDialogHandler fileDialog;
};
FormsContext& Context();

// The text of a catalogue offset in the current language; a language without texts shows
// the English ones.
QString Text(int offset);
// The current language's number (1..5), English for one without texts.
int ShownLanguage();

// Qt's own texts (standard buttons, the file dialog) in the current language: Qt's
// translations for Italian, French and Spanish; English for English and for German, whose
// catalogue texts are the English ones, so that a window speaks one language.
void UseQtTranslations();

// UTF-8 text (as the engine hands it out) for the screen, and back.
QString FromUtf8(std::string_view text);
std::string ToUtf8(const QString& text);
// Blanks (only blanks) removed at both ends, as the previews show their fields.
QString TrimSpaces(QString text);

// A grid: rows and columns with a current cell, the first `fixedRows` rows and `fixedCols`
// columns drawn as headings. Indexes are 0-based and count the fixed ones.
class Grid : public QTableWidget {
  Q_OBJECT
 public:
  Grid(int fixedRows, int fixedCols, QWidget* parent = nullptr);

  int Rows() const { return rowCount(); }
  void SetRows(int rows);
  int Cols() const { return columnCount(); }
  void SetCols(int cols);
  int Row() const { return row_; }
  void SetRow(int row);
  int Col() const { return col_; }
  void SetCol(int col);
  QString Text() const { return CellText(row_, col_); }
  void SetText(const QString& text) { SetCellText(row_, col_, text); }
  QString CellText(int row, int col) const;
  void SetCellText(int row, int col, const QString& text);
  void SetColWidth(int col, int twips);

 signals:
  // The user clicked a cell; Row() and Col() name it.
  void Clicked();

 private:
  void StyleFixed(int row, int col);

  int fixedRows_;
  int fixedCols_;
  int row_ = 0;
  int col_ = 0;
};

}  // namespace vandrel::forms
