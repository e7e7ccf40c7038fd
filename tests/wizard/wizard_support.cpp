#include "wizard_support.h"

#include <QDir>
#include <QFile>
#include <QPixmap>

#include "forms/forms.h"

namespace vandrel::test {

ScriptedBoxes::ScriptedBoxes() {
  forms::Context().messageBox =
      [this](const QString& text, int style, const QString& title, const QString& detail) {
        lastDetail_ = detail;
        if (title != QLatin1String("Vandrel")) problems_ << "title " + title;
        if (expected_.empty()) {
          problems_ << QString("unexpected box [%1] style %2").arg(text).arg(style);
          return style == 36 ? 7 : 1;
        }
        const Box box = expected_.front();
        expected_.pop_front();
        if (box.text != text || box.style != style) {
          problems_ << QString("box [%1] style %2, expected [%3] style %4")
                           .arg(text)
                           .arg(style)
                           .arg(box.text)
                           .arg(box.style);
        }
        return box.answer;
      };
}

ScriptedBoxes::~ScriptedBoxes() {
  forms::Context().messageBox = nullptr;
}

ScriptedBoxes& ScriptedBoxes::Expect(const QString& text, int style, int answer) {
  expected_.push_back({text, style, answer});
  return *this;
}

QString ScriptedBoxes::Problems() const {
  QStringList all = problems_;
  for (const Box& box : expected_) all << "box never shown: [" + box.text + "]";
  return all.join("; ");
}

QString WriteText(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir.filePath(name);
  QFile file(path);
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  file.write(bytes);
  return path;
}

void Screenshot(QWidget& widget, const QString& name) {
  QDir().mkpath(QStringLiteral(VANDREL_SCREENSHOT_DIR));
  widget.grab().save(QStringLiteral(VANDREL_SCREENSHOT_DIR "/") + name + ".png");
}

bool ShowsItsItemsWhole(const QComboBox& combo) {
  QComboBox fresh;
  fresh.setFont(combo.font());
  for (int i = 0; i < combo.count(); ++i) fresh.addItem(combo.itemText(i));
  return combo.width() >= fresh.sizeHint().width();
}

WizardRequest Request(int language, const std::vector<std::vector<std::string>>& rows,
                      const std::string& folder) {
  WizardRequest request;
  request.import.language = language * 1000;
  for (const auto& cells : rows) {
    InfoFieldRow& row = request.import.fields.emplace_back();
    for (std::size_t i = 0; i < cells.size() && i < row.size(); ++i) row[i] = cells[i];
  }
  request.applicationFolder = folder;
  return request;
}

}  // namespace vandrel::test
