// Helpers for the wizard tests: message boxes and the file dialog answered by script, a
// temporary folder for text files and layouts, and screenshots.
#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "vandrel/host_hooks.h"

namespace vandrel::test {

// Message boxes the test expects, in order, with the answer to give. A box nobody expected,
// or with another text or style, is recorded as a failure.
class ScriptedBoxes {
 public:
  ScriptedBoxes();
  ~ScriptedBoxes();
  ScriptedBoxes& Expect(const QString& text, int style, int answer = 1);
  // Empty when every expected box was shown as expected and no other was; else what went wrong.
  QString Problems() const;
  // The detailed text of the latest box.
  const QString& LastDetail() const { return lastDetail_; }

 private:
  struct Box {
    QString text;
    int style;
    int answer;
  };
  std::deque<Box> expected_;
  QStringList problems_;
  QString lastDetail_;
};

// A control of a wizard window, found by the name users and tools know it by.
template <typename T>
T* Ctl(QObject& window, const char* name) {
  T* control = window.findChild<T*>(QLatin1String(name));
  if (!control) qFatal("no control named %s", name);
  return control;
}

// Whether a combo box is as wide as a new one holding the same items would want to be: its
// choices are not cut short.
bool ShowsItsItemsWhole(const QComboBox& combo);

// Writes `bytes` to `name` in `dir` and returns the path.
QString WriteText(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes);

// Saves a picture of `widget` as screenshots/<name>.png in the build folder.
void Screenshot(QWidget& widget, const QString& name);

// What the control hands the wizard: `language` (1..5), one field row per name (the rest of
// each row as `rows` gives it, in attribute order after FieldName), layouts in `folder`.
WizardRequest Request(int language, const std::vector<std::vector<std::string>>& rows,
                      const std::string& folder);

}  // namespace vandrel::test
