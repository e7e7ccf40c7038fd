#include "wizard/panel_support.h"

#include <QAbstractButton>
#include <QFile>
#include <QGroupBox>

#include "forms/forms.h"

namespace vandrel::wizard {

QLabel* MakeLabel(QWidget* parent, const char* name, int tag, bool wrap) {
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

QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (QPushButton* button : buttons) row->addWidget(button);
  return row;
}

QHBoxLayout* SkipLinesRow(QWidget* parent, const char* before, const char* comboName,
                          const char* after, QComboBox*& combo) {
  auto* row = new QHBoxLayout;
  row->addWidget(MakeLabel(parent, before, 205));
  combo = MakeCombo(parent, comboName, true);
  for (int i = 0; i <= 10; ++i) combo->addItem(QString::number(i));
  row->addWidget(combo);
  row->addWidget(MakeLabel(parent, after, 206));
  row->addStretch();
  return row;
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

QString TrimSpaces(QString text) {
  qsizetype start = 0, end = text.size();
  while (start < end && text[start] == ' ') ++start;
  while (end > start && text[end - 1] == ' ') --end;
  return text.mid(start, end - start);
}

std::string FilePath(const QString& name) {
  return QFile::encodeName(name).toStdString();
}

}  // namespace vandrel::wizard
