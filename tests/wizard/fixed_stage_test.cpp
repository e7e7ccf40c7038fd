// The fixed-width stage 2 and the preview builder, driven through the real widgets.
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include "control/settings.h"
#include "vandrel/import.h"
#include "forms/forms.h"
#include "preview/c_prepara_grd_preview.h"
#include "test_support.h"
#include "vandrel/app_folder.h"
#include "vandrel/catalogue.h"
#include "vandrel/spec_files.h"
#include "vandrel/vandrel_ctl.h"
#include "wizard/frm_interfaccia.h"
#include "wizard/frm_message.h"
#include "wizard_support.h"

using namespace vandrel;
using forms::Text;
using test::ScriptedBoxes;

namespace {

constexpr int kInfo = 64, kWarn = 48;

QStringList Row(const forms::Grid& grid, int row) {
  QStringList cells;
  for (int c = 0; c < grid.Cols(); ++c) cells << grid.CellText(row, c);
  return cells;
}

const QString kReversed = QString::fromUtf8(
    "La colonna FINE deve contenere un valore superiore alla colonna INIZIO!\rRipetere "
    "l'inserimento.");

}  // namespace

class FixedStageTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  WizardRequest request_;

  // What the control hands the wizard: numField + 1 field rows, in `language`.
  void Settle(int language, std::int16_t numField = 2) {
    request_ = test::Request(language, std::vector<std::vector<std::string>>(numField + 1, {""}),
                             dir_.path().toStdString());
  }

  // A builder over `file` with the given layout, filling `grid`.
  static void Build(forms::Grid& grid, const QString& file, std::vector<ColumnRange> limits,
                    const char* separator, const char* delimiter, int skip = 0) {
    cPreparaGrdPreview preview;
    preview.Layout(MakeFixedLayout(separator, delimiter, skip, std::move(limits)));
    preview.MDBFile(file);
    preview.Griglia(&grid);
    preview.RowPreview(30);
    preview.Action();
  }

  void ToFixedStage(frmInterfaccia& w, const QString& file) {
    w.Form_Load(request_);
    test::Ctl<QLineEdit>(w, "txtNomeFile")->setText(file);
    test::Ctl<QComboBox>(w, "cmbTipoFonte")->setCurrentIndex(1);
    test::Ctl<QPushButton>(w, "CmdAvanti")->click();
  }

  static void Limits(frmInterfaccia& w, const std::vector<std::pair<QString, QString>>& rows) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
      test::Ctl<forms::Grid>(w, "grdInfoFldFix")
          ->SetCellText(static_cast<int>(r) + 1, 1, rows[r].first);
      test::Ctl<forms::Grid>(w, "grdInfoFldFix")
          ->SetCellText(static_cast<int>(r) + 1, 2, rows[r].second);
    }
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }
  void builderCutsLikeTheImport_data() {
    QTest::addColumn<QByteArray>("ending");
    QTest::addColumn<bool>("finalEnding");
    QTest::newRow("LF") << QByteArray("\n") << true;
    QTest::newRow("CR-LF") << QByteArray("\r\n") << true;
    QTest::newRow("CR") << QByteArray("\r") << true;
    QTest::newRow("no final line end") << QByteArray("\n") << false;
  }

  void builderCutsLikeTheImport() {
    QFETCH(QByteArray, ending);
    QFETCH(bool, finalEnding);
    QByteArray bytes = "skip me" + ending + "\"ab\";12;x" + ending + "cd  ; 3;;yz";
    if (finalEnding) bytes += ending;
    const QString file = test::WriteText(dir_, "fixed.txt", bytes);
    forms::Grid grid(0, 0);
    grid.SetRows(1);
    grid.SetCols(1);
    Build(grid, file, {{1, 5}, {6, 8}, {9, 11}}, ";", "\"", 1);
    QCOMPARE(grid.Rows(), 31);
    QCOMPARE(grid.Cols(), 3);
    QCOMPARE(Row(grid, 0), (QStringList{"", "", ""}));        // row 0 stays empty
    QCOMPARE(Row(grid, 1), (QStringList{"ab", "12", "x"}));   // separator and quotes go
    QCOMPARE(Row(grid, 2), (QStringList{"cd", "3", ";yz"}));  // a separator not last stays
    QCOMPARE(Row(grid, 3), (QStringList{"", "", ""}));
  }

  void builderSeparatorsAndReversedLimits() {
    const QString file = test::WriteText(dir_, "sep.txt", "ab;cd;\nefghij\n");
    forms::Grid grid(0, 0);
    Build(grid, file, {{1, 3}, {4, 6}}, "{NONE}", "{NONE}");  // no separator: kept
    QCOMPARE(Row(grid, 1), (QStringList{"ab;", "cd;"}));
    Build(grid, file, {{1, 3}, {4, 6}}, "{SPACE}", "{NESSUNO}");
    QCOMPARE(Row(grid, 1), (QStringList{"ab;", "cd;"}));
    Build(grid, file, {{1, 3}, {4, 6}}, ";", "{NONE}");
    QCOMPARE(Row(grid, 1), (QStringList{"ab", "cd"}));
  }

  void limitsGridKeys() {
    Settle(lEnglish, 1);
    frmInterfaccia w;
    ToFixedStage(w, test::WriteText(dir_, "keys.txt", "12345\n"));
    forms::Grid& g = *test::Ctl<forms::Grid>(w, "grdInfoFldFix");
    QCOMPARE(g.Rows(), 7);  // NumField + 6
    test::Ctl<QLabel>(w, "LabNomeImpF")->setText("loaded");
    g.setFocus();
    g.SetRow(1);
    g.SetCol(1);
    QTest::keyClicks(&g, "1a2");
    QCOMPARE(g.CellText(1, 1), QString("12"));
    QCOMPARE(test::Ctl<QLabel>(w, "LabNomeImpF")->text(), Text(211) + "\n");
    QTest::keyClick(&g, Qt::Key_Backspace);
    QCOMPARE(g.CellText(1, 1), QString("1"));
    QTest::keyClick(&g, Qt::Key_Return);
    QCOMPARE(g.Col(), 2);
    QTest::keyClicks(&g, "5");
    QTest::keyClick(&g, Qt::Key_Return);
    QCOMPARE(g.Row(), 2);
    QCOMPARE(g.Col(), 1);
    QTest::keyClick(&g, Qt::Key_Backspace);  // on an empty cell: nothing
    QCOMPARE(g.CellText(2, 1), QString());
    g.SetRow(0);  // headings take no keys
    QTest::keyClicks(&g, "7");
    QTest::keyClick(&g, Qt::Key_Backspace);
    QCOMPARE(g.CellText(0, 1), Text(12));
    // Enter in the last row's END adds a row.
    g.SetRow(6);
    g.SetCol(2);
    QTest::keyClick(&g, Qt::Key_Return);
    QCOMPARE(g.Rows(), 8);
    QCOMPARE(g.Row(), 7);
    QCOMPARE(g.CellText(7, 0), QString("7"));
  }

  void nextChecksEveryEntry() {
    Settle(lItalian);
    const QString file = test::WriteText(dir_, "next.txt", "AAAABBBBCC\n");
    frmInterfaccia w;
    ToFixedStage(w, file);
    QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Fisso"));
    Limits(w, {{"", ""}});  // no guessed column
    ScriptedBoxes boxes;
    test::Ctl<QComboBox>(w, "ComboCharDeli")->setEditText("");
    boxes.Expect(Text(215), kWarn);
    test::Ctl<QPushButton>(w, "ComAvanti")->click();
    test::Ctl<QComboBox>(w, "ComboCharDeli")->setEditText(Text(10));
    test::Ctl<QComboBox>(w, "ComboDelimTesto")->setEditText("");
    boxes.Expect(Text(216), kWarn);
    test::Ctl<QPushButton>(w, "ComAvanti")->click();
    test::Ctl<QComboBox>(w, "ComboDelimTesto")->setEditText(Text(10));
    test::Ctl<QComboBox>(w, "ComboNumRighe")->setEditText("");
    boxes.Expect(Text(502), kWarn);
    test::Ctl<QPushButton>(w, "ComAvanti")->click();
    test::Ctl<QComboBox>(w, "ComboNumRighe")->setEditText("0");
    boxes.Expect(Text(218), kInfo);
    test::Ctl<QPushButton>(w, "ComAvanti")->click();
    Limits(w, {{"1", ""}});
    boxes.Expect(Text(218), kInfo);
    test::Ctl<QPushButton>(w, "ComAvanti")->click();
    Limits(w, {{"0", "4"}, {"5", ""}});
    boxes.Expect(Text(219) + " 2" + Text(220), kWarn);
    test::Ctl<QPushButton>(w, "ComAvanti")->click();
    QCOMPARE(test::Ctl<forms::Grid>(w, "grdInfoFldFix")->CellText(1, 1),
             QString("1"));  // a BEGIN of 0 in row 1 reads 1
    Limits(w, {{"1", "4"}, {"5", "99999"}});
    boxes.Expect(Text(219) + " 2" + Text(220), kWarn);
    test::Ctl<QPushButton>(w, "ComAvanti")->click();
    Limits(w, {{"1", "4"}, {"5", "8"}, {"9", "10"}});
    test::Ctl<QComboBox>(w, "ComboNumRighe")->setEditText("tante");
    boxes.Expect(Text(217), kWarn);
    test::Ctl<QPushButton>(w, "ComAvanti")->click();
    test::Ctl<QComboBox>(w, "ComboNumRighe")->setEditText("0");
    Limits(w, {{"1", "4"}, {"8", "5"}});
    boxes.Expect(kReversed, kInfo);
    test::Ctl<QPushButton>(w, "ComAvanti")->click();
    QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Fisso"));
    // Lines to skip past the end of the file: no line shows the reversal, Next still does.
    test::Ctl<QComboBox>(w, "ComboNumRighe")->setEditText("5");
    boxes.Expect(kReversed, kInfo);
    test::Ctl<QPushButton>(w, "ComAvanti")->click();
    QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Fisso"));
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
  }

  void aLongTableSavesItsFilledRowsAndTheRulerStaysTrue() {
    Settle(lEnglish, 40);  // a grid of 46 rows
    const QString file = test::WriteText(dir_, "wide.txt", QByteArray(105, 'x') + "\n");
    frmInterfaccia w;
    ToFixedStage(w, file);
    const QStringList ruler = test::Ctl<QPlainTextEdit>(w, "txtPreView")->toPlainText().split('\n');
    for (int label : {10, 100, 110}) {  // each label ends over the 0 of its block
      QCOMPARE(ruler[0].indexOf(QString::number(label)) + QString::number(label).size(), label);
    }
    Limits(w, {{"1", "4"}, {"5", "8"}});
    QTimer::singleShot(0, [] {
      auto* d = qobject_cast<frmMessage*>(QApplication::activeModalWidget());
      QVERIFY(d);
      d->txtVariant->setText("Long");
      d->cmdOK->click();
    });
    ScriptedBoxes none;
    test::Ctl<QPushButton>(w, "cmdSalvImpFisso")->click();
    QVERIFY2(none.Problems().isEmpty(), qPrintable(none.Problems()));
    QCOMPARE(QFileInfo(dir_.filePath("FlFxd")).size(), qint64{412});
    QFile::remove(dir_.filePath("FlFxd"));
  }

  void nextHandsOverEveryFilledRow() {
    Settle(lEnglish, 1);  // six data rows, all filled below
    const QString file = test::WriteText(dir_, "all.txt", "aabbccddeeff\n");
    frmInterfaccia w;
    ToFixedStage(w, file);
    Limits(w, {{"1", "2"}, {"3", "4"}, {"5", "6"}, {"7", "8"}, {"9", "10"}, {"11", "12"}});
    test::Ctl<QComboBox>(w, "ComboCharDeli")->setEditText("|");
    test::Ctl<QComboBox>(w, "ComboDelimTesto")->setEditText(" \" ");
    test::Ctl<QComboBox>(w, "ComboNumRighe")->setEditText("0");
    ScriptedBoxes none;
    test::Ctl<QPushButton>(w, "ComAvanti")->click();
    QVERIFY2(none.Problems().isEmpty(), qPrintable(none.Problems()));
    QCOMPARE(w.CurrentPanel(), QString("pnlFase3di3"));
    QCOMPARE(Row(*test::Ctl<forms::Grid>(w, "grdPreview"), 1),
             (QStringList{"aa", "bb", "cc", "dd", "ee", "ff"}));
  }

  // The number-and-date row starts from the control's properties in every language, fits the
  // window, and hands what the user picks to this import only.
  void numberAndDateRowStartsFromTheHostAndFits() {
    for (int language : {lItalian, lEnglish, lFrench, lGerman, lSpanish}) {
      Settle(language, 1);
      request_.import.format = {',', store::DateOrder::DMY};
      const QString file = test::WriteText(dir_, "format.txt", "aabb\n");
      frmInterfaccia w;
      ToFixedStage(w, file);
      w.show();
      auto* decimal = test::Ctl<QComboBox>(w, "cmbDecimaleF");
      auto* dates = test::Ctl<QComboBox>(w, "cmbDateF");
      QCOMPARE(decimal->currentData().toChar(), QChar(','));
      QCOMPARE(dates->currentText(), Text(613));
      QCOMPARE(test::Ctl<QLabel>(w, "lblDecimaleF")->text(), Text(611));
      for (const char* name :
           {"lblNumeriF", "lblDecimaleF", "cmbDecimaleF", "lblDateF", "cmbDateF"}) {
        auto* control = test::Ctl<QWidget>(w, name);
        const QRect where(control->mapTo(&w, QPoint(0, 0)), control->size());
        QVERIFY2(w.rect().contains(where), name);
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
          QVERIFY2(test::ShowsItsItemsWhole(*combo), name);
        }
      }
      dates->setCurrentIndex(dates->findData(int(store::DateOrder::MDY)));
      decimal->setCurrentIndex(decimal->findData(QChar('.')));
      Limits(w, {{"1", "2"}, {"3", "4"}});
      test::Ctl<QPushButton>(w, "ComAvanti")->click();
      QCOMPARE(w.CurrentPanel(), QString("pnlFase3di3"));
    }
  }

  void previewRowsEqualWhatTheImportStores() {
    Settle(lEnglish, 1);
    const QString file = test::WriteText(
        dir_, "same.txt", "head\r\n\"Anna\"  ;  12;\r\nBruno   ;   7;\r\n\xC8ve     ;  -3;\r\n");
    const std::string db = dir_.filePath("same.db").toStdString();
    test::RunSql(db,
                 "CREATE TABLE T(nome TEXT, n INTEGER); CREATE TABLE E(NumRiga, CodErr, MsgErr);");
    request_ = test::Request(lEnglish, {{"Nome", "nome", "", "", "", "0"}, {"N", "n", "", "", "", "1"}},
                             dir_.path().toStdString());
    request_.import.target = {db, "", "T", "E"};
    request_.askToAppend = false;
    frmInterfaccia w;
    ToFixedStage(w, file);
    Limits(w, {{"1", "9"}, {"10", "14"}, {"", ""}});
    test::Ctl<QComboBox>(w, "ComboCharDeli")->setEditText(";");
    test::Ctl<QComboBox>(w, "ComboDelimTesto")->setEditText("\"");
    test::Ctl<QComboBox>(w, "ComboNumRighe")->setEditText("1");
    test::Ctl<QPushButton>(w, "ComAvanti")->click();
    QCOMPARE(w.CurrentPanel(), QString("pnlFase3di3"));
    ScriptedBoxes boxes;
    boxes.Expect(Text(314), 36, 6);
    test::Ctl<QPushButton>(w, "Command4")->click();
    QTRY_VERIFY(w.Outcome().result);
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
    QVERIFY(w.Outcome().result == eResult::Success);
    const auto rows = test::Query(db, "SELECT nome, n FROM T ORDER BY rowid");
    QCOMPARE(rows.size(), std::size_t{3});
    for (std::size_t r = 0; r < rows.size(); ++r) {
      QCOMPARE(
          Row(*test::Ctl<forms::Grid>(w, "grdPreview"), static_cast<int>(r) + 1),
          (QStringList{QString::fromStdString(rows[r][0]), QString::fromStdString(rows[r][1])}));
    }
    QCOMPARE(rows[2][0], std::string("\xC3\x88ve"));
  }

  void savedFixedLayoutIsByteExact() {
    Settle(lEnglish);
    frmInterfaccia w;
    ToFixedStage(w, test::WriteText(dir_, "bytes.txt", "x\n"));
    Limits(w, {{"1", "4"}, {"5", "12"}});
    test::Ctl<QComboBox>(w, "ComboCharDeli")->setEditText(";");
    test::Ctl<QComboBox>(w, "ComboNumRighe")->setEditText("3");
    QTimer::singleShot(0, [] {
      auto* d = qobject_cast<frmMessage*>(QApplication::activeModalWidget());
      QVERIFY(d);
      d->txtVariant->setText("  Layout  ");
      d->cmdOK->click();
    });
    test::Ctl<QPushButton>(w, "cmdSalvImpFisso")->click();
    QFile file(dir_.filePath("FlFxd"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    specs::FixedSpecRecord expected;
    expected.SpecName = "Layout";
    expected.FieldSeparator = ";";
    expected.TextDelimiter = "{NONE}";
    expected.SkipLines = 3;
    expected.FieldBegin[0] = "1";
    expected.FieldEnd[0] = "4";
    expected.FieldBegin[1] = "5";
    expected.FieldEnd[1] = "12";
    const std::string record = specs::EncodeRecord(expected);
    QCOMPARE(bytes, QByteArray(record.data(), static_cast<qsizetype>(record.size())));
    QFile::remove(dir_.filePath("FlFxd"));
  }

  void loadingMoreFieldsThanRowsAddsRows() {
    Settle(lEnglish, 1);
    specs::FixedSpecRecord many;
    many.SpecName = "Many";
    many.FieldSeparator = "{NESSUNO}";
    many.TextDelimiter = "{NESSUNO}";
    for (int j = 0; j < 8; ++j) {
      many.FieldBegin[static_cast<std::size_t>(j)] = std::to_string(j * 2 + 1);
      many.FieldEnd[static_cast<std::size_t>(j)] = std::to_string(j * 2 + 2);
    }
    specs::Append(dir_.path().toStdString(), "Many", many);
    frmInterfaccia w;
    ToFixedStage(w, test::WriteText(dir_, "many.txt", "x\n"));
    QTimer::singleShot(0, [] {
      auto* d = qobject_cast<frmMessage*>(QApplication::activeModalWidget());
      QVERIFY(d);
      d->cmbVariant->setEditText("Many");
      d->cmdOK->click();
    });
    test::Ctl<QPushButton>(w, "cmdImpDefFisso")->click();
    QCOMPARE(test::Ctl<forms::Grid>(w, "grdInfoFldFix")->Rows(), 9);
    QCOMPARE(test::Ctl<forms::Grid>(w, "grdInfoFldFix")->CellText(8, 1), QString("15"));
    QCOMPARE(test::Ctl<QComboBox>(w, "ComboCharDeli")->currentText(),
             QString("{NONE}"));  // shown in English
    QCOMPARE(test::Ctl<QLabel>(w, "LabNomeImpF")->text(), Text(211) + "\nMany");
    QFile::remove(dir_.filePath("FlFxd"));
  }

  void screenshots() {
    for (const auto& [language, code] :
         {std::pair{lItalian, "it"}, std::pair{lEnglish, "en"}, std::pair{lFrench, "fr"},
          std::pair{lGerman, "de"}, std::pair{lSpanish, "es"}}) {
      Settle(language, 4);
      frmInterfaccia w;
      ToFixedStage(w, QStringLiteral(VANDREL_SAMPLES_DIR "/clienti_fisso.txt"));
      Limits(w, {{"1", "4"}, {"5", "24"}, {"25", "34"}, {"35", "44"}, {"45", "52"}});
      w.show();
      test::Screenshot(w, QString("stage2-fixed-%1").arg(code));
      // The ruler's digit line lines up with the file's characters.
      const QStringList lines =
          test::Ctl<QPlainTextEdit>(w, "txtPreView")->toPlainText().split('\n');
      QCOMPARE(lines[1].left(52), QString("1234567890").repeated(6).left(52));
      QCOMPARE(lines[0].indexOf("50") + 1, 50 - 1);  // "50" ends over column 50
      // The BEGIN/END heading stays in view when the rows scroll.
      auto& limits = *test::Ctl<forms::Grid>(w, "grdInfoFldFix");
      limits.SetRows(40);
      limits.scrollToBottom();
      QVERIFY(limits.horizontalHeader()->isVisible() && limits.verticalScrollBar()->value() > 0);
      QCOMPARE(limits.model()->headerData(1, Qt::Horizontal).toString(), Text(12));
      // Every token of every language shows whole in the separator box.
      auto* box = test::Ctl<QComboBox>(w, "ComboCharDeli");
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
};

QTEST_MAIN(FixedStageTest)
#include "fixed_stage_test.moc"
