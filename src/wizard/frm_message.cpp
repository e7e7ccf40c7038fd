#include "wizard/frm_message.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "forms/forms.h"
#include "vandrel/catalogue.h"
#include "vandrel/error.h"
#include "vandrel/spec_files.h"
#include "wizard/panel_support.h"

namespace vandrel {

using forms::MsgBox;
using forms::Pixels;
using forms::Text;

namespace {

// A layout text as the file keeps it: blanks at either end removed.
std::string Stored(const QString& text) {
  return forms::ToUtf8(text.trimmed());
}

// A saved token in whatever language it was saved in, shown as the current language's.
QString Shown(const std::string& text) {
  return QString::fromStdString(LocaliseToken(text, forms::ShownLanguage()));
}

std::int16_t SkipLines(const QString& text) {
  const std::optional<std::int16_t> skip = wizard::LinesToSkip(forms::ToUtf8(text));
  if (!skip) throw Error(kErrOverflow, "The lines to skip are not a number from 0 to 32767.");
  return *skip;
}

}  // namespace

std::optional<SpecChoice> PreLoadFrmMessage(QWidget* parent, const QString& mode,
                                            const std::string& folder, const SpecTexts& current) {
  QStringList names;
  if (!mode.startsWith(QLatin1String("Save"))) {
    try {
      const auto kind =
          mode.endsWith(QLatin1String("Del")) ? specs::SpecKind::Delimited : specs::SpecKind::Fixed;
      for (const std::string& name : specs::ListNames(kind, folder)) {
        names << QString::fromStdString(name);
      }
    } catch (const std::exception& e) {
      MsgBox(Text(217), forms::vbExclamation, forms::kTitle, wizard::Describe(e));
      return std::nullopt;
    }
    if (names.isEmpty()) {
      MsgBox(Text(515), forms::vbInformation);
      return std::nullopt;
    }
  }
  frmMessage dialog(parent, mode, folder, names, current);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Choice();
}

frmMessage::frmMessage(QWidget* parent, const QString& mode, const std::string& folder,
                       const QStringList& names, const SpecTexts& current)
    : QDialog(parent), mode_(mode), folder_(folder), current_(current) {
  setObjectName(QStringLiteral("frmMessage"));
  setModal(true);
  setFixedSize(Pixels(5370), Pixels(1470));
  lblPrompt = new QLabel(this);
  lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
  lblPrompt->setGeometry(Pixels(240), 4, Pixels(3560), Pixels(360) - 4);
  lblPrompt->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  cmbVariant = new QComboBox(this);
  cmbVariant->setObjectName(QStringLiteral("cmbVariant"));
  cmbVariant->setEditable(true);
  cmbVariant->setInsertPolicy(QComboBox::NoInsert);
  cmbVariant->addItems(names);
  cmbVariant->setCurrentIndex(-1);
  cmbVariant->setEditText(QString());
  txtVariant = new QLineEdit(this);
  txtVariant->setObjectName(QStringLiteral("txtVariant"));
  cmdOK = new QPushButton(this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setGeometry(Pixels(3840), Pixels(180), Pixels(1245), Pixels(525));
  cmdOK->setDefault(true);
  cmdAnnulla = new QPushButton(this);
  cmdAnnulla->setObjectName(QStringLiteral("cmdAnnulla"));
  cmdAnnulla->setGeometry(Pixels(3840), Pixels(840), Pixels(1245), Pixels(525));
  connect(cmdOK, &QPushButton::clicked, this, &frmMessage::cmdOK_Click);
  connect(cmdAnnulla, &QPushButton::clicked, this, &QDialog::reject);
  Form_Load();
}

void frmMessage::Form_Load() {
  for (QWidget* input : {static_cast<QWidget*>(cmbVariant), static_cast<QWidget*>(txtVariant)}) {
    input->setGeometry(Pixels(240), Pixels(360), Pixels(3315), Pixels(315) + 6);
  }
  setWindowTitle(Text(5));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
  // What the box is for: the name to load, to save under, or to delete.
  lblPrompt->setText(Text(mode_.startsWith(QLatin1String("Save"))   ? 622
                          : mode_.startsWith(QLatin1String("Canc")) ? 623
                                                                    : 620));
  lblPrompt->setBuddy(mode_.startsWith(QLatin1String("Save")) ? static_cast<QWidget*>(txtVariant)
                                                              : cmbVariant);
  cmdAnnulla->setText(Text(2));
  cmdOK->setText(Text(4));
  Form_Activate();
}

void frmMessage::Form_Activate() {
  const bool naming = mode_.startsWith(QLatin1String("Save"));
  QWidget* input = naming ? static_cast<QWidget*>(txtVariant) : cmbVariant;
  QWidget* other = naming ? static_cast<QWidget*>(cmbVariant) : txtVariant;
  other->setEnabled(false);
  other->hide();
  input->setEnabled(true);
  input->show();
  input->raise();
  input->setFocus();
}

void frmMessage::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Form_Activate();
}

void frmMessage::cmdOK_Click() {
  try {
    if (mode_ == QLatin1String("LoadDel")) LoadSpecDel();
    if (mode_ == QLatin1String("SaveDel")) SaveSpecDel();
    if (mode_ == QLatin1String("CancDel")) CancSpecDel();
    if (mode_ == QLatin1String("LoadFix")) LoadSpecFix();
    if (mode_ == QLatin1String("SaveFix")) SaveSpecFix();
    if (mode_ == QLatin1String("CancFix")) CancSpecFix();
  } catch (const std::exception& e) {
    // A file that cannot be read or written, or a value the file cannot hold: nothing more
    // is done and the dialog stays open.
    MsgBox(Text(217), forms::vbExclamation, forms::kTitle, wizard::Describe(e));
  }
}

void frmMessage::Close(const QString& label) {
  choice_.label = label;
  accept();
}

void frmMessage::LoadSpecDel() {
  const QString name = cmbVariant->currentText();
  if (name.isEmpty()) {
    MsgBox(Text(516), forms::vbExclamation);
    return;
  }
  for (const auto& r : specs::ApplyDelimited(folder_, forms::ToUtf8(name))) {
    choice_.loaded = SpecTexts{
        Shown(r.FieldSeparator), Shown(r.TextDelimiter), QString::number(r.SkipLines), {}};
  }
  Close(Text(211) + '\n' + name);
}

void frmMessage::LoadSpecFix() {
  const QString name = cmbVariant->currentText();
  if (name.isEmpty()) {
    MsgBox(Text(516), forms::vbExclamation);
    return;
  }
  for (const auto& r : specs::ApplyFixed(folder_, forms::ToUtf8(name))) {
    // At most 30 fields are loaded, as the grid has always taken them.
    std::vector<wizard::LimitTexts> limits;
    for (std::size_t j = 0; j < 30 && !r.FieldBegin[j].empty(); ++j) {
      limits.push_back({r.FieldBegin[j], r.FieldEnd[j]});
    }
    choice_.loaded = SpecTexts{Shown(r.FieldSeparator), Shown(r.TextDelimiter),
                               QString::number(r.SkipLines), limits};
  }
  Close(Text(211) + '\n' + name);
}

void frmMessage::SaveSpecDel() {
  const QString name = txtVariant->text();
  if (name.isEmpty()) {
    MsgBox(Text(517), forms::vbExclamation);
    return;
  }
  specs::DelimitedSpecRecord record{Stored(name), Stored(current_.separator),
                                    Stored(current_.delimiter), SkipLines(current_.skip)};
  if (!specs::Append(folder_, forms::ToUtf8(name), record)) {
    MsgBox(Text(518), forms::vbExclamation);
    txtVariant->clear();
    Close(Text(211));
    return;
  }
  Close(Text(211) + name);
}

void frmMessage::SaveSpecFix() {
  const QString name = txtVariant->text();
  if (name.isEmpty()) {
    MsgBox(Text(402), forms::vbExclamation);
    return;
  }
  specs::FixedSpecRecord record;
  record.SpecName = Stored(name);
  record.FieldSeparator = Stored(current_.separator);
  record.TextDelimiter = Stored(current_.delimiter);
  record.SkipLines = SkipLines(current_.skip);
  // The filled rows, down to the first without a BEGIN: at most 31, each limit at most four
  // digits, as the file holds them.
  const std::vector<wizard::LimitTexts>& rows = current_.limits;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::string begin = Stored(QString::fromStdString(rows[r].begin));
    if (begin.empty()) break;
    if (r >= specs::kFixedEntries)
      throw Error(kErrSubscript, "The layout holds at most 31 fields.");
    const std::string end = Stored(QString::fromStdString(rows[r].end));
    if (begin.size() > 4 || end.size() > 4) throw Error(kErrOverflow, "A limit past 9999.");
    record.FieldBegin[r] = begin;
    record.FieldEnd[r] = end;
  }
  if (!specs::Append(folder_, forms::ToUtf8(name), record)) {
    MsgBox(Text(518), forms::vbExclamation);
    txtVariant->clear();
    Close(Text(211) + '\n');
    return;
  }
  Close(Text(211) + '\n' + name);
}

void frmMessage::CancSpecDel() {
  const QString name = cmbVariant->currentText();
  if (name.isEmpty()) {
    MsgBox(Text(400), forms::vbExclamation);
    Close(Text(211) + '\n');
    return;
  }
  if (MsgBox(Text(403), forms::vbYesNoQuestion) == forms::vbYes) {
    specs::Delete(specs::SpecKind::Delimited, folder_, forms::ToUtf8(name));
  }
  Close(Text(211) + '\n');
}

void frmMessage::CancSpecFix() {
  const QString name = cmbVariant->currentText();
  if (name.isEmpty()) {
    MsgBox(Text(519), forms::vbExclamation);
    return;
  }
  if (MsgBox(Text(403), forms::vbYesNoQuestion) == forms::vbYes) {
    specs::Delete(specs::SpecKind::Fixed, folder_, forms::ToUtf8(name));
  }
  Close(Text(211) + '\n');
}

}  // namespace vandrel
