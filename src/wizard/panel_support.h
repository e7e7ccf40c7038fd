// What the wizard's panels share: making a control with its object name and caption tag,
// the stage titles and button rows, and the "current specification" label.
#pragma once

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVariant>

#include <exception>
#include <initializer_list>
#include <utility>

#include "vandrel/guess.h"
#include "vandrel/store.h"

namespace vandrel::wizard {

// The number of lines the stage-2 previews show.
inline constexpr int kPreviewLines = 30;

// A control named as the form knows it; `tag` is the catalogue offset of its caption.
template <typename W, typename... Args>
W* Make(QWidget* parent, const char* name, int tag = -1, Args&&... args) {
  auto* w = new W(std::forward<Args>(args)..., parent);
  w->setObjectName(QLatin1String(name));
  if (tag >= 0) w->setProperty("vbTag", tag);
  return w;
}

QLabel* MakeLabel(QWidget* parent, const char* name, int tag, bool wrap = false);
QComboBox* MakeCombo(QWidget* parent, const char* name, bool editable);
QLabel* StageTitle(QWidget* parent, const char* name, int tag);
// Makes an editable separator or delimiter combo wide enough for the longest token
// ({TAB}, {SPACE}, {NONE}) in any of the five languages.
void FitTokens(QComboBox* combo);
// A panel's Back, Next (or Import) and Cancel, at the bottom right.
QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons);
// "Exclude first [combo of 0..10] lines": the lines-to-skip row of both stage-2 panels, with
// its two labels named `before` and `after`. `combo` receives the new combo box.
QHBoxLayout* SkipLinesRow(QWidget* parent, const char* before, const char* comboName,
                          const char* after, QComboBox*& combo);
// "Numbers and dates: Decimal separator [.|,] Date order [ISO|D/M/Y|M/D/Y]": how the file
// writes numbers and dates, the stage-2 row of both panels. Its controls are named with
// `suffix` ("D", "F") after lblNumeri, lblDecimale, cmbDecimale, lblDate and cmbDate.
QHBoxLayout* ValueFormatRow(QWidget* parent, const char* suffix, QComboBox*& decimal,
                            QComboBox*& dates);
// The row's choices in the current language, showing `format`.
void ShowValueFormat(QComboBox* decimal, QComboBox* dates, const store::ValueFormat& format);
// The format the row shows.
store::ValueFormat ChosenValueFormat(const QComboBox* decimal, const QComboBox* dates);
// A guessed separator or delimiter as the boxes show it: the current language's token for
// the tab, the blank and none, else the character.
QString GuessedCharacter(std::optional<char32_t> c);
// The number and date format a guess found.
store::ValueFormat GuessedFormat(const LayoutGuess& guess);
// The line under a stage-2 preview that says its values were guessed from the file, hidden
// until a guess is shown.
QLabel* GuessNote(QWidget* parent, const char* name);
// The caption of a tagged control, whatever its kind.
void SetCaption(QWidget* w, const QString& text);
// "Current specification:" and a line break: no saved layout matches the entries.
void ResetSpecLabel(QLabel* label);
// A failure as a message box's details show it: "number: description" for a vandrel::Error.
QString Describe(const std::exception& error);
// A path as the file system takes it.
std::string FilePath(const QString& name);

}  // namespace vandrel::wizard
