#include "wizard/panel_support.h"

#include <QAbstractButton>
#include <QFile>
#include <QGroupBox>
#include <QRegularExpression>

#include <algorithm>
#include <string>

#include "forms/forms.h"
#include "vandrel/catalogue.h"
#include "vandrel/error.h"

namespace vandrel::wizard {

namespace {

// A label that keeps its text on one line where there is room, and where a crowded layout
// needs the room wraps its words down to its longest one, rather than its neighbours' captions
// being cut off: a caption is as long as its language makes it, and the window's width is fixed.
class WrappedLabel : public QLabel {
 public:
  explicit WrappedLabel(QWidget* parent) : QLabel(parent) { setWordWrap(true); }

  QSize sizeHint() const override { return ForWidth(Extra() + TextWidth(text())); }

  QSize minimumSizeHint() const override {
    int widest = 0;
    for (const QString& word : text().split(QRegularExpression("\\s+"), Qt::SkipEmptyParts)) {
      widest = std::max(widest, TextWidth(word));
    }
    return ForWidth(Extra() + widest);
  }

 private:
  int TextWidth(const QString& s) const { return fontMetrics().horizontalAdvance(s) + 1; }
  int Extra() const {
    const QMargins m = contentsMargins();
    return 2 * margin() + m.left() + m.right();
  }
  QSize ForWidth(int width) const { return {width, heightForWidth(width)}; }
};

}  // namespace

QLabel* MakeLabel(QWidget* parent, const char* name, int tag, bool wrap) {
  if (wrap) return Make<WrappedLabel>(parent, name, tag);
  return Make<QLabel>(parent, name, tag);
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

void FitTokens(QComboBox* combo) {
  qsizetype longest = 0;
  for (int language = 1; language <= 5; ++language) {
    for (int token : {kTokenTab, kTokenSpace, kTokenNone}) {
      longest =
          std::max(longest, QString::fromStdString(LoadResString(language * 1000 + token)).size());
    }
  }
  combo->setMinimumContentsLength(static_cast<int>(longest));
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (QPushButton* button : buttons) row->addWidget(button);
  return row;
}

QHBoxLayout* SkipLinesRow(QWidget* parent, const char* before, const char* comboName,
                          const char* after, QComboBox*& combo) {
  auto* row = new QHBoxLayout;
  row->addWidget(MakeLabel(parent, before, 205, true));  // long in some languages: it wraps
  row->addSpacing(6);
  combo = MakeCombo(parent, comboName, true);
  for (int i = 0; i <= 10; ++i) combo->addItem(QString::number(i));
  // Room for a few digits, no more: the row must fit beside the layout buttons.
  combo->setMinimumContentsLength(3);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  row->addWidget(combo);
  row->addSpacing(6);
  row->addWidget(MakeLabel(parent, after, 206));
  row->addStretch();
  return row;
}

QHBoxLayout* ValueFormatRow(QWidget* parent, const char* suffix, QComboBox*& decimal,
                            QComboBox*& dates) {
  auto name = [suffix](const char* stem) { return std::string(stem) + suffix; };
  auto* row = new QHBoxLayout;
  row->addWidget(MakeLabel(parent, name("lblNumeri").c_str(), 610));
  row->addSpacing(6);
  row->addWidget(MakeLabel(parent, name("lblDecimale").c_str(), 611));
  decimal = MakeCombo(parent, name("cmbDecimale").c_str(), false);
  row->addWidget(decimal);
  row->addSpacing(6);
  row->addWidget(MakeLabel(parent, name("lblDate").c_str(), 612));
  dates = MakeCombo(parent, name("cmbDate").c_str(), false);
  row->addWidget(dates);
  row->addStretch();
  // The choices are filled after the panel may have been shown once, in the language of
  // the moment: the boxes follow their contents.
  decimal->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  dates->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  return row;
}

void ShowValueFormat(QComboBox* decimal, QComboBox* dates, const store::ValueFormat& format) {
  // Each separator with an example, as the choice reads the same in every language.
  decimal->clear();
  decimal->addItem(QStringLiteral(".   (1234.5)"), QChar('.'));
  decimal->addItem(QStringLiteral(",   (1.234,5)"), QChar(','));
  decimal->setCurrentIndex(decimal->findData(QChar(format.decimalSeparator)));
  dates->clear();
  dates->addItem(QStringLiteral("ISO (YYYY-MM-DD)"), int(store::DateOrder::YMD));
  dates->addItem(forms::Text(613), int(store::DateOrder::DMY));
  dates->addItem(forms::Text(614), int(store::DateOrder::MDY));
  dates->setCurrentIndex(dates->findData(int(format.dateOrder)));
}

store::ValueFormat ChosenValueFormat(const QComboBox* decimal, const QComboBox* dates) {
  store::ValueFormat format;
  format.decimalSeparator = decimal->currentData().toChar().toLatin1();
  format.dateOrder = static_cast<store::DateOrder>(dates->currentData().toInt());
  return format;
}

QString GuessedCharacter(std::optional<char32_t> c) {
  if (!c) return forms::Text(kTokenNone);
  if (*c == U'\t') return forms::Text(kTokenTab);
  if (*c == U' ') return forms::Text(kTokenSpace);
  const char32_t one = *c;
  return QString::fromUcs4(&one, 1);
}

store::ValueFormat GuessedFormat(const LayoutGuess& guess) {
  return {guess.decimal, guess.dates};
}

QLabel* GuessNote(QWidget* parent, const char* name) {
  QLabel* note = MakeLabel(parent, name, 630, true);
  QFont font = note->font();
  font.setItalic(true);
  note->setFont(font);
  note->hide();
  return note;
}

void SetCaption(QWidget* w, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
    group->setTitle(text);
  }
}

void ResetSpecLabel(QLabel* label) {
  label->setText(forms::Text(211) + '\n');
}

QString Describe(const std::exception& error) {
  if (const auto* e = dynamic_cast<const Error*>(&error)) {
    return QString::number(e->number()) + ": " + QString::fromStdString(e->description());
  }
  return QString::fromUtf8(error.what());
}

std::string FilePath(const QString& name) {
  return QFile::encodeName(name).toStdString();
}

}  // namespace vandrel::wizard
