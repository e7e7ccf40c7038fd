// The wizard, offscreen, driven through its real widgets as a user drives it, message boxes
// and dialogs answered by script: every stage, the layout dialog, complete imports into
// SQLite and every way the Import button can end, in all five languages.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "forms/forms.h"
#include "test_support.h"
#include "vandrel/catalogue.h"
#include "vandrel/spec_files.h"
#include "vandrel/vandrel_ctl.h"
#include "vandrel/wizard.h"
#include "wizard/frm_interfaccia.h"
#include "wizard/frm_message.h"
#include "wizard/stage3_panel.h"

using namespace vandrel;
using forms::Text;

namespace {

// Message box styles and answers.
constexpr int kStop = 16, kQuestion = 36, kWarn = 48, kInfo = 64, kYes = 6, kNo = 7;
const QString kSamples = QStringLiteral(VANDREL_SAMPLES_DIR);

// Message boxes a test expects, in order (title, text and style), with the answer to give.
class ScriptedBoxes {
 public:
  ScriptedBoxes() {
    forms::Context().messageBox = [this](const QString& text, int style, const QString& title,
                                         const QString& detail) {
      lastDetail_ = detail;
      shown_ << title + ": [" + text + "] " + QString::number(style);
      return answers_.size() >= shown_.size() ? answers_[shown_.size() - 1] : 0;
    };
  }
  ~ScriptedBoxes() { forms::Context().messageBox = nullptr; }
  ScriptedBoxes& Expect(const QString& text, int style, int answer = 1) {
    expected_ << "Vandrel: [" + text + "] " + QString::number(style);
    answers_ << answer;
    return *this;
  }
  // Empty when the boxes shown were the ones expected; else both lists.
  QString Problems() const {
    return shown_ == expected_
               ? QString()
               : "shown " + shown_.join("; ") + ", expected " + expected_.join("; ");
  }
  const QString& LastDetail() const { return lastDetail_; }  // of the latest box

 private:
  QStringList shown_, expected_;
  QList<int> answers_;
  QString lastDetail_;
};

// A control of a wizard window, found by its object name.
template <typename T = QWidget>
T* Ctl(QObject& window, const char* name) {
  T* control = window.findChild<T*>(QLatin1String(name));
  if (!control) qFatal("no control named %s", name);
  return control;
}

void Click(QObject& window, const char* name) {
  Ctl<QPushButton>(window, name)->click();
}

void Pick(QObject& window, const char* name, int index) {
  Ctl<QComboBox>(window, name)->setCurrentIndex(index);
}

// Text typed into a line edit or an editable combo box.
void Type(QObject& window, const char* name, const QString& text) {
  if (auto* combo = qobject_cast<QComboBox*>(Ctl(window, name))) return combo->setEditText(text);
  Ctl<QLineEdit>(window, name)->setText(text);
}

// The text a line edit, a combo box or a label shows.
QString Shown(QObject& window, const char* name) {
  QWidget* control = Ctl(window, name);
  if (auto* combo = qobject_cast<QComboBox*>(control)) return combo->currentText();
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  return Ctl<QLineEdit>(window, name)->text();
}

// A row of a grid, cell by cell.
QStringList Row(QObject& window, const char* grid, int row) {
  const forms::Grid& g = *Ctl<forms::Grid>(window, grid);
  QStringList cells;
  for (int c = 0; c < g.Cols(); ++c) cells << g.CellText(row, c);
  return cells;
}

// From stage 1 to the stage-2 panel of `type` (0 delimited, 1 fixed) over `file`.
void ToStage2(frmInterfaccia& w, const QString& file, int type) {
  Type(w, "txtNomeFile", file);
  Pick(w, "cmbTipoFonte", type);
  Click(w, "CmdAvanti");
}

// The delimited stage 2's choices, then Next.
void NextDelimited(frmInterfaccia& w, const QString& separator, const QString& delimiter,
                   const QString& skip) {
  Type(w, "DelimCampoD", separator);
  Type(w, "DelimTestoD", delimiter);
  Type(w, "SaltaRigheD", skip);
  Click(w, "CAvantiD");
}

// The fixed-width limits, BEGIN and END, into the grid's rows from the first.
void Limits(frmInterfaccia& w, const std::vector<std::pair<QString, QString>>& rows) {
  forms::Grid& grid = *Ctl<forms::Grid>(w, "grdInfoFldFix");
  for (std::size_t r = 0; r < rows.size(); ++r) {
    grid.SetCellText(static_cast<int>(r) + 1, 1, rows[r].first);
    grid.SetCellText(static_cast<int>(r) + 1, 2, rows[r].second);
  }
}

// Runs `act` on the layout dialog once it is shown modally, and closes it if `act` left it open.
void OnDialog(std::function<void(frmMessage&)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<frmMessage*>(QApplication::activeModalWidget());
    if (!dialog) QFAIL("no layout dialog was shown");
    act(*dialog);
    if (dialog->isVisible()) dialog->reject();
  });
}

// Answers the layout dialog with `name`, typed in the save modes and picked in the others, and OK.
void AnswerDialog(const QString& name) {
  OnDialog([name](frmMessage& d) {
    if (d.txtVariant->isVisible()) d.txtVariant->setText(name);
    if (d.cmbVariant->isVisible()) d.cmbVariant->setEditText(name);
    d.cmdOK->click();
  });
}

bool InsideItsWindow(QWidget& widget) {
  QWidget& window = *widget.window();
  return window.rect().contains(QRect(widget.mapTo(&window, QPoint(0, 0)), widget.size()));
}

// Whether a combo box lies inside its window and is as wide as a new one holding the same
// items would want to be: its choices are not cut short.
bool ShowsItsItemsWhole(QComboBox& combo) {
  QComboBox fresh;
  fresh.setFont(combo.font());
  for (int i = 0; i < combo.count(); ++i) fresh.addItem(combo.itemText(i));
  return combo.width() >= fresh.sizeHint().width() && InsideItsWindow(combo);
}

// The visible buttons and labels of `page` whose text does not fit them, by name.
QStringList CutShort(QWidget& page) {
  QStringList cut;
  for (QPushButton* b : page.findChildren<QPushButton*>()) {
    if (b->isVisible() && b->width() < b->sizeHint().width()) cut << b->objectName();
  }
  for (QLabel* l : page.findChildren<QLabel*>()) {
    if (!l->isVisible() || l->text().isEmpty() || l->objectName().isEmpty()) continue;
    const bool fits = l->wordWrap() ? l->heightForWidth(l->width()) <= l->height()
                                    : l->width() >= l->sizeHint().width();
    if (!fits) cut << l->objectName();
  }
  return cut;
}

QString WriteText(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  QFile file(dir.filePath(name));
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  file.write(bytes);
  return file.fileName();
}

// Saves a picture of `widget` as screenshots/<name>.png in the build folder.
void Screenshot(QWidget& widget, const QString& name) {
  QDir().mkpath(QStringLiteral(VANDREL_SCREENSHOT_DIR));
  widget.grab().save(QStringLiteral(VANDREL_SCREENSHOT_DIR "/") + name + ".png");
}

// A line of the fixed-width preview: the ruler's labels (0), its digits (1), the file's lines.
QString PreviewLine(frmInterfaccia& w, int line) {
  return Ctl<QPlainTextEdit>(w, "txtPreView")->toPlainText().split('\n')[line];
}

// Picks a field of the target table, then clicks the table preview's column that feeds it.
void Associate(frmInterfaccia& w, const QString& field, int column) {
  Ctl(w, "cmbNomeCampo")->setFocus();
  Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentText(field);
  auto* grid = Ctl<forms::Grid>(w, "grdPreview");
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                    grid->visualItemRect(grid->item(0, column)).center());
}

// Import, and the import's end: the result the wizard closes with, if it closes.
std::optional<eResult> Import(frmInterfaccia& w) {
  Click(w, "Command4");
  auto* bar = Ctl<QProgressBar>(w, "prgImport");
  if (!QTest::qWaitFor([bar] { return bar->isHidden(); }, 60000))
    QTest::qFail("the import never ended", __FILE__, __LINE__);
  return w.Outcome().result;
}

// The field rows as stage 3 holds them now.
const std::vector<InfoFieldRow>& Fields(frmInterfaccia& w) {
  return w.findChild<Stage3Panel*>()->Fields();
}

// The table preview's rows from `first`, their first three cells joined by '|'.
QStringList PreviewRows(frmInterfaccia& w, int first) {
  QStringList rows;
  for (int r = first; r < Ctl<forms::Grid>(w, "grdPreview")->Rows(); ++r) {
    rows << Row(w, "grdPreview", r).mid(0, 3).join('|');
  }
  return rows;
}

}  // namespace

class WizardTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string folder_ = dir_.path().toStdString();
  std::string db_ = dir_.filePath("wizard.db").toStdString();
  QString clienti_ = kSamples + "/clienti.txt";
  WizardRequest request_;
  std::optional<ScriptedBoxes> boxes_;  // the message boxes a test expects, checked at its end

  // A database with Clienti and Errori, and what the control hands the wizard over it: Codice
  // (required), Nome (may take a new name or a constant), Città into Citta, Nato.
  void Settle(int language) {
    QFile::remove(QString::fromStdString(db_));
    test::RunSql(
        db_,
        "CREATE TABLE Clienti(Codice INTEGER PRIMARY KEY, Nome VARCHAR(30), Citta, Nato DATE);"
        "CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT);");
    request_ = {};
    request_.import.language = language * 1000;  // `language` 1..5
    request_.import.target = {db_, "", "Clienti", "Errori"};
    request_.applicationFolder = folder_;
    // Each field row's cells in attribute order, from FieldName.
    request_.import.fields = {{"Codice", "Codice", "1"},
                              {"Nome", "Nome", "", "1", "1"},
                              {"Città", "Citta"},
                              {"Nato", "Nato"}};
  }

  // Loads the wizard and shows it as the active window, so that focus moves as for a user.
  void Open(frmInterfaccia& w) {
    w.Form_Load(request_);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
  }

  // Stage 1 and the delimited stage 2 over a ';'-separated file with a header line, to stage 3.
  void ToStage3(frmInterfaccia& w, const QString& file) {
    Open(w);
    ToStage2(w, file, 0);
    NextDelimited(w, ";", Text(10), "1");
    QCOMPARE(w.CurrentPanel(), QString("pnlFase3di3"));
  }

  // Yes to "Start import?", and the import's end.
  std::optional<eResult> StartImport(frmInterfaccia& w) {
    boxes_->Expect(Text(314), kQuestion, kYes);
    return Import(w);
  }

  // The rows of a query, their cells joined by '|'.
  QStringList Stored(const char* sql) const {
    QStringList rows;
    for (const auto& row : test::Query(db_, sql)) {
      QStringList cells;
      for (const std::string& cell : row) cells << QString::fromStdString(cell);
      rows << cells.join('|');
    }
    return rows;
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }
  void init() { boxes_.emplace(); }
  void cleanup() {
    QVERIFY2(boxes_->Problems().isEmpty(), qPrintable(boxes_->Problems()));
    boxes_.reset();
  }

  // Stage 1 and the delimited stage 2 refuse what cannot be read, each with its message, in
  // order; the preview shows the file's lines whatever their ends.
  void stagesOneAndTwoCheckWhatTheUserTypes() {
    Settle(lItalian);
    frmInterfaccia w;
    w.Form_Load(request_);
    forms::Context().fileDialog = [&](const forms::FileDialogRequest&) {
      return std::optional(clienti_);
    };
    Click(w, "cmdCercaFile");  // a file picked in the dialog is the file named
    forms::Context().fileDialog = nullptr;
    QCOMPARE(Shown(w, "txtNomeFile"), clienti_);
    for (const char* bad : {"", "*.txt", "a.text", "noext", "ab"}) {
      boxes_->Expect(Text(107), kWarn);
      Type(w, "txtNomeFile", bad);
      Click(w, "CmdAvanti");
      QCOMPARE(Shown(w, "txtNomeFile"), QString("*.txt"));
    }
    // A good name without a type: the type is asked for and the name stays; with a type, a
    // missing file is refused.
    boxes_->Expect(Text(108), kWarn).Expect(Text(107), kWarn);
    Type(w, "txtNomeFile", dir_.filePath("missing.csv"));
    Click(w, "CmdAvanti");
    QCOMPARE(Shown(w, "txtNomeFile"), dir_.filePath("missing.csv"));
    ToStage2(w, dir_.filePath("missing.csv"), 0);
    QCOMPARE(w.CurrentPanel(), QString("pnlFase1di3"));
    // Any letter case of the extension; CR line ends and a last line without one.
    ToStage2(w, WriteText(dir_, "PREVIEW.TXT", "h1;h2\ra;\"b;c\";d\r  x  ;y\r1;2;3;4;5\rlast;no"),
             0);
    auto* list = Ctl<QListWidget>(w, "List1");
    QCOMPARE(list->count(), 5);
    QCOMPARE(list->item(2)->text() + "|" + list->item(4)->text(), QString("x  ;y|last;no"));
    // Each entry: separator, delimiter, lines to skip, and the message they get.
    for (const QString entry : {"|{NONE}|0|215", "{NONE}|{NONE}|0|215", "{NESSUNO}|{NONE}|0|215",
                                ";||0|216", ";|  |0|216", ";|{NONE}||502", ";|{NONE}|abc|217",
                                ";|{NONE}|40000|217", ";|{NONE}|-1|217"}) {
      const QStringList e = entry.split('|');
      boxes_->Expect(Text(e[3].toInt()), kWarn);
      NextDelimited(w, e[0], e[1], e[2]);
      QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Del"));
    }
    // A skip count with a fraction is rounded half to even: two lines either way. Back from
    // stage 3 keeps the choices.
    for (const char* skip : {"1.5", "2.5"}) {
      NextDelimited(w, "{TAB}", "{NESSUNO}", skip);
      QCOMPARE(Row(w, "grdPreview", 0), QStringList{"x  ;y"});
      Click(w, "Command2");
      QCOMPARE(Shown(w, "SaltaRigheD"), QString(skip));
    }
    // Quoted fields; the grid as wide as the widest line.
    NextDelimited(w, ";", "\"", "1");
    QCOMPARE(PreviewRows(w, 0), (QStringList{"a|b;c|d", "x|y|", "1|2|3", "last|no|"}));
    QCOMPARE(Row(w, "grdPreview", 0).size(), 5);
    // Stage 1's Next starts stage 2 afresh, from the guess; with no field rows there is
    // nothing to import.
    Type(w, "DelimCampoD", "|");
    Click(w, "Command2");
    Click(w, "CIndD");
    Click(w, "CmdAvanti");
    QCOMPARE(Shown(w, "DelimCampoD"), QString(";"));
    request_.import.fields.clear();
    w.Form_Load(request_);
    boxes_->Expect(Text(507), kStop);
    ToStage2(w, clienti_, 0);
    QCOMPARE(w.CurrentPanel(), QString("pnlFase1di3"));
  }

  // Action = 0 opens the one wizard modally, every time the same window. Cancel on any stage
  // closes it with Abort; its close box leaves the result the host had.
  void actionZeroOpensTheWizardAndCancelOnAnyStageAborts() {
    InstallWizard();
    VandrelCtl ctl;
    ctl.InitProperties();
    ctl.setNumField(1);
    QWidget* first = nullptr;
    for (const QString cancel : {"CmdAnnulla", "Command20", "ComAnnulla", "Command3", "close"}) {
      ctl.setImportResult(eResult::Success);
      QTimer::singleShot(0, [&, cancel] {
        auto* w = qobject_cast<frmInterfaccia*>(QApplication::activeModalWidget());
        QVERIFY(w && (!first || w == first));
        first = w;
        QCOMPARE(Shown(*w, "txtNomeFile"), QString("*.txt"));
        if (cancel != "CmdAnnulla" && cancel != "close")
          ToStage2(*w, clienti_, cancel == "ComAnnulla");
        if (cancel == "Command3") NextDelimited(*w, ";", Text(10), "1");
        cancel == "close" ? (void)w->close() : Click(*w, qPrintable(cancel));
      });
      ctl.setAction(aShowInterface);
      QVERIFY(ctl.ImportResult() == (cancel == "close" ? eResult::Success : eResult::Abort));
    }
  }

  // Both kinds of layout saved, loaded and deleted through the layout dialog: the layout file
  // byte for byte, the messages in order, the panel's label naming the layout it shows.
  void layoutsAreSavedLoadedAndDeleted() {
    Settle(lEnglish);
    request_.import.fields.resize(41);  // a fixed-width grid of 46 rows
    frmInterfaccia w;
    w.Form_Load(request_);
    ToStage2(w, clienti_, 0);
    boxes_->Expect(Text(515), kInfo).Expect(Text(517), kWarn);
    Click(w, "cmdImpDefDel");  // nothing saved yet: no dialog
    Type(w, "DelimCampoD", ";");
    Type(w, "DelimTestoD", "\"");
    Type(w, "SaltaRigheD", "1");
    OnDialog([](frmMessage& d) {
      QVERIFY(d.windowTitle() == Text(5) && d.txtVariant->isVisible() &&
              !d.cmbVariant->isVisible());
      d.cmdOK->click();  // empty name: the dialog stays
      d.txtVariant->setText("Monthly");
      d.cmdOK->click();
    });
    Click(w, "cmdSalvImpDel");
    QCOMPARE(Shown(w, "LabNomeImpD"), Text(211) + "Monthly");
    // Saved byte for byte; loaded, the entries come back after an edit.
    QCOMPARE(test::ReadFile(folder_ + "/FlDlmtd"),
             specs::EncodeRecord(specs::DelimitedSpecRecord{"Monthly", ";", "\"", 1}));
    Type(w, "SaltaRigheD", "3");
    QCOMPARE(Shown(w, "LabNomeImpD"), Text(211) + "\n");  // an edit: no longer the saved one
    Type(w, "DelimCampoD", "|");
    AnswerDialog("Monthly");
    Click(w, "cmdImpDefDel");
    QCOMPARE(Shown(w, "DelimCampoD") + Shown(w, "SaltaRigheD") + Shown(w, "LabNomeImpD"),
             ";1" + Text(211) + "\nMonthly");
    // A name that exists: told, nothing written, no name shown. A skip count that is not a
    // number cannot be saved: told, and the dialog stays open.
    boxes_->Expect(Text(518), kWarn).Expect(Text(217), kWarn);
    for (const char* skip : {"3", "many"}) {
      Type(w, "SaltaRigheD", skip);
      AnswerDialog("Monthly");
      Click(w, "cmdSalvImpDel");
      if (skip[0] == '3') QCOMPARE(Shown(w, "LabNomeImpD"), Text(211));
    }
    // An empty name to delete is told, the label reset; deleting asks first, and No keeps the
    // layout, Yes removes it.
    boxes_->Expect(Text(400), kWarn).Expect(Text(403), kQuestion, kNo);
    boxes_->Expect(Text(403), kQuestion, kYes);
    QStringList sizes;  // of the layout file after each delete
    for (const char* name : {"", "Monthly", "Monthly"}) {
      AnswerDialog(name);
      Click(w, "cmdCancImpDel");
      if (!name[0]) QCOMPARE(Shown(w, "LabNomeImpD"), Text(211) + "\n");
      sizes << QString::number(QFileInfo(dir_.filePath("FlDlmtd")).size());
    }
    QCOMPARE(sizes.join(' '), QString("40 40 0"));

    // Fixed width, from a grid longer than a layout holds.
    Click(w, "CIndD");
    ToStage2(w, WriteText(dir_, "wide.txt", QByteArray(105, 'x') + "\n"), 1);
    for (const QString label : {"10", "100", "110"}) {  // each ends over the 0 of its block
      QCOMPARE(PreviewLine(w, 0).indexOf(label) + label.size(), label.toInt());
    }
    Limits(w, {{"1", "4"}, {"5", "12"}});
    Type(w, "ComboCharDeli", ";");
    Type(w, "ComboNumRighe", "3");
    AnswerDialog("  Layout  ");
    Click(w, "cmdSalvImpFisso");
    const std::string saved = (specs::EncodeRecord(
        specs::FixedSpecRecord{"Layout", ";", "{NONE}", 3, {"1", "5"}, {"4", "12"}}));
    QCOMPARE(test::ReadFile(folder_ + "/FlFxd"), saved);
    // Loaded into a grid shorter than the layout, which gains rows, then deleted.
    specs::FixedSpecRecord many{"Many", "{NESSUNO}", "{NESSUNO}", 0, {}, {}};
    for (int j = 0; j < 8; ++j) {  // 1-2, 3-4, ... 15-16
      many.FieldBegin[j] = std::to_string(2 * j + 1);
      many.FieldEnd[j] = std::to_string(2 * j + 2);
    }
    specs::Append(folder_, "Many", many);
    request_.import.fields.resize(2);  // 7 rows
    w.Form_Load(request_);
    ToStage2(w, WriteText(dir_, "wide.txt", "x\n"), 1);
    AnswerDialog("Many");
    Click(w, "cmdImpDefFisso");
    QCOMPARE(Ctl<forms::Grid>(w, "grdInfoFldFix")->Rows(), 9);
    QCOMPARE(Row(w, "grdInfoFldFix", 8).mid(1), (QStringList{"15", "16"}));
    QCOMPARE(Shown(w, "ComboCharDeli") + Shown(w, "LabNomeImpF"), "{NONE}" + Text(211) + "\nMany");
    boxes_->Expect(Text(519), kWarn).Expect(Text(403), kQuestion, kYes);
    OnDialog([](frmMessage& d) {
      d.cmdOK->click();  // empty name: told, and the dialog stays
      d.cmbVariant->setEditText("Many");
      d.cmdOK->click();
    });
    Click(w, "cmdCancImpFisso");
    QCOMPARE(test::ReadFile(folder_ + "/FlFxd"), saved);
    QFile::remove(dir_.filePath("FlDlmtd"));
    QFile::remove(dir_.filePath("FlFxd"));
  }

  // The limits grid takes digits, Backspace and Enter; Next checks every entry, each with its
  // message, in order.
  void fixedStageTakesKeysAndChecksEveryEntry() {
    Settle(lItalian);
    frmInterfaccia w;
    w.Form_Load(request_);
    ToStage2(w, WriteText(dir_, "next.txt", "AAAABBBBCCDDEEFFGGHH\n"), 1);
    QCOMPARE(Shown(w, "ComboCharDeli"), Text(14));
    QCOMPARE(PreviewLine(w, 0) + PreviewLine(w, 1) + PreviewLine(w, 2),
             "        10        20        30" + QString("1234567890").repeated(3) +
                 "AAAABBBBCCDDEEFFGGHH");
    forms::Grid& g = *Ctl<forms::Grid>(w, "grdInfoFldFix");
    QCOMPARE(g.Rows(), 9);  // NumField + 6
    g.setFocus();
    g.SetRow(1);
    g.SetCol(1);
    QTest::keyClicks(&g, "1a2");
    QTest::keyClick(&g, Qt::Key_Backspace);
    QTest::keyClick(&g, Qt::Key_Return);  // to END
    QTest::keyClicks(&g, "5");
    QTest::keyClick(&g, Qt::Key_Return);  // to the next row's BEGIN
    QTest::keyClick(&g, Qt::Key_Backspace);
    QCOMPARE(Row(w, "grdInfoFldFix", 1).mid(1) << Row(w, "grdInfoFldFix", 2).mid(1),
             (QStringList{"1", "5", "", ""}));
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(1, 2));
    g.SetRow(8);  // Enter in the last row's END adds a row
    g.SetCol(2);
    QTest::keyClick(&g, Qt::Key_Return);
    QCOMPARE(g.CellText(9, 0), QString("9"));

    const auto next = [&](const QString& sep, const QString& delim, const QString& skip,
                          const std::vector<std::pair<QString, QString>>& limits,
                          const QString& message, int style) {
      Type(w, "ComboCharDeli", sep);
      Type(w, "ComboDelimTesto", delim);
      Type(w, "ComboNumRighe", skip);
      Limits(w, limits);
      boxes_->Expect(message, style);
      Click(w, "ComAvanti");
      QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Fisso"));
    };
    const QString none = Text(10), badRow = Text(219) + " 2" + Text(220);
    const QString reversed = QString::fromUtf8(
        "La colonna FINE deve contenere un valore superiore alla colonna INIZIO!\rRipetere "
        "l'inserimento.");
    next("", none, "0", {}, Text(215), kWarn);
    next(none, "", "0", {}, Text(216), kWarn);
    next(none, none, "", {}, Text(502), kWarn);
    next(none, none, "0", {{"", ""}}, Text(218), kInfo);  // no limits
    next(none, none, "0", {{"1", ""}}, Text(218), kInfo);
    next(none, none, "0", {{"0", "4"}, {"5", ""}}, badRow, kWarn);
    QCOMPARE(g.CellText(1, 1), QString("1"));  // a BEGIN of 0 in the first row reads 1
    next(none, none, "0", {{"1", "4"}, {"5", "99999"}}, badRow, kWarn);
    next(none, none, "tante", {{"1", "4"}, {"5", "8"}, {"9", "10"}}, Text(217), kWarn);
    next(none, " ", "0", {}, Text(217), kWarn);  // a blank is no delimiter
    next(none, none, "0", {{"1", "4"}, {"8", "5"}}, reversed, kInfo);
    next(none, none, "5", {}, reversed, kInfo);  // no line shows it, Next still does
  }

  // Through every stage in each language: captions, Qt's own buttons and file dialog in the
  // wizard's language (German keeps Qt's English, as its catalogue does), the host's number and
  // date format, nothing cut off, and a screenshot of each stage for people to look at.
  void everyLanguageShowsWholeAndSpeaksItsOwn() {
    forms::Context().messageBox = nullptr;  // Qt's own message box
    QStringList english;
    for (const auto& [language, code] :
         {std::pair{lEnglish, "en"}, std::pair{lGerman, "de"}, std::pair{lItalian, "it"},
          std::pair{lFrench, "fr"}, std::pair{lSpanish, "es"}}) {
      Settle(language);
      request_.import.format = {',', store::DateOrder::DMY};
      frmInterfaccia w;
      Open(w);
      QCOMPARE(w.CurrentPanel() + w.windowTitle(), "pnlFase1di3" + Text(15));
      QCOMPARE(Shown(w, "txtNomeFile") + Ctl<QPushButton>(w, "CmdAvanti")->text(),
               "*.txt" + Text(0));
      QVERIFY(Ctl<QComboBox>(w, "cmbTipoFonte")->currentIndex() == -1 &&
              Ctl<QComboBox>(w, "cmbTipoFonte")->itemText(1) == Text(106));
      Screenshot(w, QString("stage1-%1").arg(code));
      QVERIFY2(CutShort(w).isEmpty(), qPrintable(code + (": " + CutShort(w).join(", "))));
      // Qt's Yes and the file dialog's labels; the dialog is the catalogue's, and cancelled.
      QStringList qt;
      QTimer::singleShot(0, [&qt] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        qt << box->button(QMessageBox::Yes)->text();
        box->button(QMessageBox::No)->click();
      });
      forms::MsgBox(Text(314), kQuestion);
      QTimer::singleShot(0, [&qt] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        qt << dialog->findChild<QLabel*>("lookInLabel")->text() << dialog->windowTitle()
           << QString::number(dialog->fileMode() == QFileDialog::ExistingFile)
           << dialog->nameFilters().join('|');
        dialog->reject();
      });
      Click(w, "cmdCercaFile");
      QCOMPARE(Shown(w, "txtNomeFile") + qt[2] + qt[3], "*.txt" + Text(109) + "1");
      QVERIFY(qt[4].startsWith(Text(110).section('|', 0, 0)) && qt[4].endsWith("*.*)"));
      if (language == lEnglish) english = qt;
      if (language == lGerman) QCOMPARE(qt.mid(0, 2), english.mid(0, 2));
      if (language != lEnglish && language != lGerman)
        QVERIFY(qt[0] != english[0] && qt[1] != english[1]);

      ToStage2(w, clienti_, 0);
      Type(w, "DelimCampoD", ";");
      Type(w, "SaltaRigheD", "1");
      Screenshot(w, QString("stage2-delimited-%1").arg(code));
      QVERIFY2(CutShort(w).isEmpty(), qPrintable(code + (": " + CutShort(w).join(", "))));
      // The file's own '.' (1250.50) outweighs the host's ','.
      QCOMPARE(Ctl<QComboBox>(w, "cmbDecimaleD")->currentData().toChar(), QChar('.'));
      for (const char* name : {"cmbDecimaleD", "cmbDateD"}) {
        QVERIFY2(ShowsItsItemsWhole(*Ctl<QComboBox>(w, name)), name);
      }
      specs::Append(folder_, "Clienti", specs::DelimitedSpecRecord{"Clienti", ";", "{NONE}", 1});
      OnDialog([code = QString(code)](frmMessage& d) {
        d.cmbVariant->setCurrentIndex(0);
        QVERIFY(d.lblPrompt->isVisible() && !d.lblPrompt->text().isEmpty());
        Screenshot(d, "dialog-" + code);
      });
      Click(w, "cmdImpDefDel");
      QFile::remove(dir_.filePath("FlDlmtd"));

      // The table preview numbers its columns as the Column box counts them, beside the
      // header line's names, fits them in the window, chooses no cell before the user does,
      // and marks the selected field's column.
      Click(w, "CAvantiD");
      auto& grid = *Ctl<forms::Grid>(w, "grdPreview");
      const QStringList names{" Codice", " Nome", " Citt\u00E0", " Nato il", " Saldo", ""};
      for (int c = 0; c < grid.Cols(); ++c) {
        QCOMPARE(grid.model()->headerData(c, Qt::Horizontal).toString(),
                 QString::number(c + 1) + names.value(c));
      }
      QVERIFY(grid.horizontalScrollBar()->maximum() == 0 && grid.selectedItems().isEmpty());
      Associate(w, "Nome", 1);
      const auto bold = [&grid](int c) {
        return grid.model()->headerData(c, Qt::Horizontal, Qt::FontRole).value<QFont>().bold();
      };
      QVERIFY(bold(1) && !bold(2));
      QVERIFY(grid.item(3, 1)->background() != grid.item(3, 2)->background());
      Screenshot(w, QString("stage3-%1").arg(code));
      QVERIFY2(CutShort(w).isEmpty(), qPrintable(code + (": " + CutShort(w).join(", "))));

      Click(w, "Command2");
      Click(w, "CIndD");
      ToStage2(w, kSamples + "/clienti_fisso.txt", 1);
      Limits(w, {{"1", "4"}, {"5", "24"}, {"25", "34"}, {"35", "44"}, {"45", "52"}});
      Screenshot(w, QString("stage2-fixed-%1").arg(code));
      QVERIFY2(CutShort(w).isEmpty(), qPrintable(code + (": " + CutShort(w).join(", "))));
      // The ruler's digits line up with the file's characters; "50" ends over column 50.
      QCOMPARE(PreviewLine(w, 1).left(52), QString("1234567890").repeated(6).left(52));
      QCOMPARE(PreviewLine(w, 0).indexOf("50") + 2, 50);
      // The file tells its '.', not its date order: that stays the host's.
      QCOMPARE(Ctl<QComboBox>(w, "cmbDecimaleF")->currentData().toChar(), QChar('.'));
      QCOMPARE(Shown(w, "cmbDateF") + Shown(w, "lblDecimaleF"), Text(613) + Text(611));
      for (const char* name :
           {"lblNumeriF", "lblDecimaleF", "lblDateF", "cmbDecimaleF", "cmbDateF"}) {
        auto* combo = qobject_cast<QComboBox*>(Ctl(w, name));
        QVERIFY2(combo ? ShowsItsItemsWhole(*combo) : InsideItsWindow(*Ctl(w, name)), name);
      }
      // The BEGIN/END heading stays in view when the rows scroll.
      auto& limits = *Ctl<forms::Grid>(w, "grdInfoFldFix");
      limits.SetRows(40);
      limits.scrollToBottom();
      QVERIFY(limits.horizontalHeader()->isVisible() && limits.verticalScrollBar()->value() > 0);
      QCOMPARE(limits.model()->headerData(1, Qt::Horizontal).toString(), Text(12));
      // Every token of every language shows whole in the separator box.
      auto* box = Ctl<QComboBox>(w, "ComboCharDeli");
      for (int token : {kTokenNone, kTokenSpace, kTokenTab}) {
        for (int other = 1; other <= 5; ++other) {
          box->setEditText(QString::fromStdString(LoadResString(other * 1000 + token)));
          QVERIFY2(box->lineEdit()->width() >
                       box->lineEdit()->fontMetrics().horizontalAdvance(box->currentText()),
                   qPrintable(box->currentText()));
        }
      }
    }
  }

  // The sample file as a user imports it. What is typed goes to the first control of the panel
  // shown. Stage 3 shows each field's column (1-based; a host's preset too, one that is not a
  // number read as 0), keeps a new column name as typed, and enables the boxes and labels a
  // field allows, on a later opening too. The user keeps the table's row; the duplicate is
  // logged with its line and column, the old error rows are gone, the associations go back to
  // the host, and the host's progress handler runs on the GUI thread.
  void aUserImportsTheSampleFile() {
    Settle(lItalian);
    test::RunSql(db_,
                 "ALTER TABLE Errori ADD TestoRiga TEXT; ALTER TABLE Errori ADD NomeColonna;"
                 "INSERT INTO Errori VALUES (1, 1, 'old', '', '');"
                 "INSERT INTO Clienti VALUES (100, 'old', '', NULL);");
    request_.import.fields[2][kAssociatedColumn] = "4";
    request_.import.fields[1][kAssociatedColumn] = "x";
    int elsewhere = -1;
    request_.import.progress = [&](const ImportStats&) {
      elsewhere = QThread::currentThread() != qApp->thread();
    };
    frmInterfaccia w;
    Open(w);
    Type(w, "txtNomeFile", clienti_);
    Pick(w, "cmbTipoFonte", 0);
    QTest::keyClick(Ctl(w, "txtNomeFile"), Qt::Key_Return);
    Ctl<QComboBox>(w, "DelimCampoD")->lineEdit()->clear();
    QTest::keyClicks(QApplication::focusWidget(), ";");
    QCOMPARE(Shown(w, "DelimCampoD") + Shown(w, "txtNomeFile"), ";" + clienti_);
    Type(w, "SaltaRigheD", "1");
    Click(w, "CAvantiD");
    QCOMPARE(QApplication::focusWidget(), Ctl(w, "cmbNomeCampo"));
    Associate(w, Text(10), 2);  // "{NONE}": nothing happens
    QVERIFY(!Ctl(w, "CmdDisassocia")->isEnabled() && !Ctl(w, "txtNmFldUtente")->isEnabled());
    Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentText("Città");
    QCOMPARE(Shown(w, "txtColAssociata"), QString("5"));
    QVERIFY(Ctl(w, "CmdDisassocia")->isEnabled() && !Ctl(w, "txtValoreCost")->isEnabled());
    Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentText("Nome");
    QCOMPARE(Shown(w, "txtColAssociata"), QString("1"));
    QVERIFY(Ctl(w, "txtNmFldUtente")->isEnabled() && Ctl(w, "Label13")->isEnabled());
    Ctl(w, "txtNmFldUtente")->setFocus();
    Type(w, "txtNmFldUtente", " Nuovo ");
    Ctl(w, "txtValoreCost")->setFocus();  // leaving the box stores it exactly
    QCOMPARE(Fields(w)[1][kNewColumnName], std::string(" Nuovo "));
    // Back to "{NONE}": the boxes stay, typing stores nothing, and Disassociate still acts on
    // the field selected before.
    Pick(w, "cmbNomeCampo", 0);
    Type(w, "txtValoreCost", "ignored");
    Ctl(w, "txtNmFldUtente")->setFocus();
    Click(w, "CmdDisassocia");
    QCOMPARE(Fields(w)[1][kConstantValue] + Fields(w)[1][kAssociatedColumn], std::string());
    QVERIFY(!Ctl(w, "CmdDisassocia")->isEnabled());
    Associate(w, "Codice", 0);
    QCOMPARE(Shown(w, "txtColAssociata"), QString("1"));
    Associate(w, "Nome", 1);
    Associate(w, "Città", 2);
    boxes_->Expect(Text(314), kQuestion, kYes)
        .Expect(Text(312) + "\r\n" + Text(313), kQuestion, kNo);
    QVERIFY(Import(w) == eResult::SError);
    QVERIFY(elsewhere == 0 && w.result() == QDialog::Accepted);
    QCOMPARE(w.Outcome().fields[2][kAssociatedColumn], std::string("2"));
    QCOMPARE(Stored("SELECT Codice, Nome, Citta FROM Clienti ORDER BY Codice"),
             QStringList({"1|Anna Bianchi|Forl\u00EC", "2|Bruno Conti|Milano",
                          "3|Carla D\u00E8 Santis|Roma",
                          "4|Elena Fabbri|Torino",  // its sixth field widened the preview
                          "5|Franco Gallo|Bari", "6|Giulia Neri|Palermo", "100|old|"}));
    QCOMPARE(Stored("SELECT NumRiga, CodErr, TestoRiga, NomeColonna FROM Errori"),
             QStringList("4|3022|3;Dario Esposito;Napoli;1985-01-15;15.75|Codice"));
    ToStage3(w, clienti_);
    QVERIFY(!Ctl(w, "Label13")->isEnabled() && !Ctl(w, "Label10")->isEnabled());
    Click(w, "Command3");
  }

  // A CSV file in UTF-16 as an office suite saves it, with quoted separators, a quoted line
  // break, an unclosed quote and day-first dates, into a table the host lets the wizard empty
  // without asking: the preview shows exactly the rows the import stores, in every character set
  // the user can pick that reads the file, and the date order picked in stage 2 reads the dates.
  void csvPreviewEqualsWhatTheImportStores_data() {
    QTest::addColumn<int>("charset");  // the index in the character-set list
    QTest::newRow("Automatic") << 0;
    QTest::newRow("UTF-16LE") << 3;
  }

  void csvPreviewEqualsWhatTheImportStores() {
    QFETCH(int, charset);
    Settle(lEnglish);
    test::RunSql(db_, "INSERT INTO Clienti VALUES (100, 'old', '', NULL);");
    request_.askToAppend = false;
    request_.overWriteTab = true;
    const QString text = QString::fromUtf8(
        "Codice,Nome,Citt\xC3\xA0,Nato\r\n"
        "1,\"Rossi, Anna\",\"Forl\xC3\xAC\",13/4/1980\r\n"
        "2,\"Bruno \"\"il grande\"\"\",\"Citt\xC3\xA0\r\nalta\",31.12.1999\r\n"
        "3,\"mai chiuso,Roma\r\n"
        "4,\xC3\x85sa,\xE6\x9D\xB1\xE4\xBA\xAC,\r\n");
    const QByteArray bytes =  // with a byte-order mark, little-endian
        "\xFF\xFE" + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    frmInterfaccia w;
    Open(w);
    QCOMPARE(Ctl<QComboBox>(w, "cmbCodifica")->currentIndex(), 0);  // the host's "auto"
    Pick(w, "cmbCodifica", charset);
    ToStage2(w, WriteText(dir_, "office.txt", bytes), 0);
    QCOMPARE(Ctl<QListWidget>(w, "List1")->item(0)->text(), text.left(22));
    Ctl<QComboBox>(w, "cmbDateD")->setCurrentText(Text(613));
    NextDelimited(w, ",", "\"", "1");
    const QStringList shown = PreviewRows(w, 0);
    Associate(w, "Codice", 0);
    Associate(w, "Nome", 1);
    Associate(w, "Città", 2);
    Associate(w, "Nato", 3);
    QVERIFY(StartImport(w) == eResult::SError);
    const QStringList stored = Stored("SELECT Codice, Nome, Citta FROM Clienti ORDER BY Codice");
    QCOMPARE(stored,
             QStringList({"1|Rossi, Anna|Forl\u00EC", "2|Bruno \"il grande\"|Citt\u00E0\r\nalta",
                          "4|\u00C5sa|\u6771\u4EAC"}));
    QCOMPARE(shown, stored);
    QCOMPARE(Stored("SELECT Nato FROM Clienti ORDER BY Codice"),
             QStringList({"1980-04-13", "1999-12-31", "NULL"}));
    QCOMPARE(Stored("SELECT NumRiga, CodErr FROM Errori"), QStringList("4|31001"));
  }

  // The fixed-width sample: the preview shows every field the grid names, the file's
  // Windows-1252 text as the import reads it; a constant typed for a field that also has a
  // column is asked about, and No keeps it.
  void fixedImportEndToEnd() {
    Settle(lEnglish);
    frmInterfaccia w;
    Open(w);
    ToStage2(w, kSamples + "/clienti_fisso.txt", 1);
    Limits(w, {{"1", "4"}, {"5", "24"}, {"25", "34"}, {"35", "44"}, {"45", "52"}});
    Type(w, "ComboCharDeli", Text(10));
    Click(w, "ComAvanti");
    QCOMPARE(PreviewRows(w, 1).mid(0, 4),
             QStringList({"7|Hanna Ivanova|Trieste", "8|Ivo Lentini|Genova",
                          "9|Luca M\u00E0rtini|Verona", "||"}));
    QCOMPARE(Row(w, "grdPreview", 1).mid(3), (QStringList{"1994-03-21", "12.00"}));  // every row
    Associate(w, "Codice", 0);
    Associate(w, "Città", 2);
    Associate(w, "Nome", 1);
    Ctl(w, "txtValoreCost")->setFocus();
    Type(w, "txtValoreCost", "Const");
    Ctl(w, "Command4")->setFocus();  // the constant is stored when the box is left
    boxes_->Expect(Text(520) + "Nome" + Text(521), kQuestion, kNo);
    QVERIFY(StartImport(w) == eResult::Success);
    QCOMPARE(Stored("SELECT Codice, Nome, Citta FROM Clienti ORDER BY Codice"),
             QStringList({"7|Const|Trieste", "8|Const|Genova", "9|Const|Verona"}));
  }

  // What keeps the wizard open: a required field without a column, no column at all, No to
  // "Start import?", and an import that cannot start (here the error table is gone), which
  // says why with the cause as the box's details.
  void importEndingsThatKeepTheWizardOpen() {
    Settle(lEnglish);
    frmInterfaccia w;
    const QString file = WriteText(dir_, "two.txt", "C;N\n1;a\n2;b\n");
    ToStage3(w, file);
    boxes_->Expect(Text(308) + "Codice" + Text(509), kWarn);
    Click(w, "Command4");
    QCOMPARE(Shown(w, "cmbNomeCampo"), QString("Codice"));  // named and selected
    request_.import.fields[0][kRequired] = "";
    ToStage3(w, file);
    boxes_->Expect(Text(510), kWarn).Expect(Text(314), kQuestion, kNo);
    Click(w, "Command4");
    Associate(w, "Codice", 0);
    Click(w, "Command4");
    test::RunSql(db_, "DROP TABLE Errori;");
    boxes_->Expect(Text(314), kQuestion, kYes).Expect(Text(507), kStop);
    QVERIFY(!Import(w));
    QVERIFY(boxes_->LastDetail().startsWith("3078: "));
    QCOMPARE(w.Outcome().import->error->number(), 3078);
    QVERIFY(w.CurrentPanel() == "pnlFase3di3" && w.result() == QDialog::Rejected);
  }

  // A long import shows its progress while the window answers; Cancel stops it before a
  // line, everything before which is stored, says so, and closes the wizard with Abort.
  void cancelStopsALongImportAtALine() {
    Settle(lItalian);
    QByteArray text = "Codice;Nome\n";
    for (int i = 1; i <= 400000; ++i) text += QByteArray::number(i) + ";Nome\n";
    frmInterfaccia w;
    ToStage3(w, WriteText(dir_, "lungo.txt", text));
    Associate(w, "Codice", 0);
    QStringList messages;
    forms::Context().messageBox = [&](const QString& prompt, int style, const QString&,
                                      const QString&) {
      if (style != kQuestion) messages << prompt;
      return kYes;
    };
    auto* bar = Ctl<QProgressBar>(w, "prgImport");
    bool waited = false;
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [&, poll] {
      if (!bar->isVisible() || bar->value() == 0) return QTimer::singleShot(1, *poll);
      waited = !Ctl(w, "Command4")->isEnabled();
      Screenshot(w, "stage3-importing-it");
      QTest::mouseClick(Ctl(w, "Command3"), Qt::LeftButton);
    };
    QTimer::singleShot(0, *poll);
    QVERIFY(Import(w) == eResult::Abort);
    QVERIFY(waited && w.Outcome().import && w.Outcome().import->cancelled);
    const std::int64_t stop = w.Outcome().import->stoppedAtLine;
    QVERIFY(stop > 1 && stop <= 400000);
    const QString before = QString::number(stop - 1);
    QCOMPARE(Stored("SELECT count(*), max(Codice) FROM Clienti"),
             QStringList(before + "|" + before));
    QCOMPARE(messages, QStringList(Text(621).arg(stop).arg(before).arg(0)));
  }

  // A file the wizard has never seen. Stage 1's type follows the file named until the user
  // picks one; stage 2 opens with the guessed layout and says so (a saved layout replaces
  // it, and the first digit typed into a guessed BEGIN replaces the guess); stage 3 associates
  // every field the header names that has no column yet, keeping the host's, and the user can
  // undo one.
  void aNewFileOpensGuessedAndAssociated() {
    Settle(lItalian);
    request_.import.fields[3] = {"Saldo", "Nato", "", "", "", "3"};  // the host's, kept
    frmInterfaccia w;
    Open(w);
    Type(w, "txtNomeFile", kSamples + "/clienti_fisso.txt");
    QCOMPARE(Ctl<QComboBox>(w, "cmbTipoFonte")->currentIndex(), 1);
    Click(w, "CmdAvanti");
    auto& limits = *Ctl<forms::Grid>(w, "grdInfoFldFix");
    QCOMPARE(limits.CellText(2, 1) + "-" + limits.CellText(2, 2), QString("25-34"));
    QVERIFY(Ctl(w, "lblGuessF")->isVisible());
    limits.setFocus();
    limits.SetRow(2);
    limits.SetCol(1);
    QTest::keyClicks(&limits, "26");
    QCOMPARE(limits.CellText(2, 1), QString("26"));
    Screenshot(w, "stage2-fixed-guessed-it");
    Click(w, "ComIndietro");
    Type(w, "txtNomeFile", clienti_);
    QCOMPARE(Ctl<QComboBox>(w, "cmbTipoFonte")->currentIndex(), 0);
    Click(w, "CmdAvanti");
    QCOMPARE(Shown(w, "DelimCampoD") + Shown(w, "DelimTestoD") + Shown(w, "SaltaRigheD") +
                 Shown(w, "lblGuessD"),
             ";\"1" + Text(630));
    Screenshot(w, "stage2-guessed-it");
    specs::Append(folder_, "Tab", specs::DelimitedSpecRecord{"Tab", "{TAB}", "{NONE}", 0});
    AnswerDialog("Tab");
    Click(w, "cmdImpDefDel");
    QVERIFY(Shown(w, "DelimCampoD") == Text(kTokenTab) && !Ctl(w, "lblGuessD")->isVisible());
    NextDelimited(w, ";", Text(10), "1");
    QCOMPARE(Fields(w)[0][kAssociatedColumn] + Fields(w)[2][kAssociatedColumn] +
                 Fields(w)[3][kAssociatedColumn],
             std::string("023"));
    Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentText("Nome");
    QCOMPARE(Shown(w, "txtColAssociata"), QString("2"));
    Click(w, "CmdDisassocia");
    QVERIFY(StartImport(w) == eResult::SError);
    QCOMPARE(Stored("SELECT Codice, Nome, Citta, Nato FROM Clienti WHERE Codice = 1"),
             QStringList("1|NULL|Forl\u00EC|1980-04-12"));
  }
};

QTEST_MAIN(WizardTest)
#include "wizard_test.moc"
