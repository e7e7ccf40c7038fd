// Stage 3 and the Import button: complete imports through the real wizard, from the file
// choice to the rows in SQLite, and every way the Import button can end.
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include "forms/forms.h"
#include "test_support.h"
#include "vandrel/host_hooks.h"
#include "vandrel/import.h"
#include "vandrel/vandrel_ctl.h"
#include "wizard/frm_interfaccia.h"
#include "wizard/stage3_panel.h"
#include "wizard_support.h"

using namespace vandrel;
using forms::Text;
using test::ScriptedBoxes;
using Rows = std::vector<std::vector<std::string>>;

namespace {

constexpr int kStop = 16, kQuestion = 36, kWarn = 48, kYes = 6, kNo = 7;

const QString kSamples = QStringLiteral(VANDREL_SAMPLES_DIR);

// Clicks a cell of the table preview as a user would.
void ClickCell(forms::Grid& grid, int row, int col) {
  const QRect rect = grid.visualItemRect(grid.item(row, col));
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, rect.center());
}

}  // namespace

class ImportStageTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string db_;
  WizardRequest request_;

  // A database with Clienti and Errori, and what the control hands the wizard over it: Codice
  // (required), Nome (may take a new name or a constant), Citta.
  void Settle(int language) {
    db_ = dir_.filePath("wizard.db").toStdString();
    QFile::remove(QString::fromStdString(db_));
    test::RunSql(db_,
                 "CREATE TABLE Clienti(Codice INTEGER PRIMARY KEY, Nome VARCHAR(30), Citta TEXT,"
                 " Nato DATE, Saldo DECIMAL(10,2));"
                 "CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT);");
    request_ = test::Request(language,
                             {{"Codice", "Codice", "1", "", ""},
                              {"Nome", "Nome", "", "1", "1"},
                              {"Città", "Citta", "", "", ""}},
                             dir_.path().toStdString());
    request_.import.target = {db_, "", "Clienti", "Errori"};
  }

  // The field rows as stage 3 holds them now.
  static const std::vector<InfoFieldRow>& Fields(frmInterfaccia& w) {
    return w.findChild<Stage3Panel*>()->Fields();
  }

  // Import, and the import's end: the result the wizard closes with, if it closes.
  static std::optional<eResult> Import(frmInterfaccia& w) {
    test::Ctl<QPushButton>(w, "Command4")->click();
    auto* bar = test::Ctl<QProgressBar>(w, "prgImport");
    if (!QTest::qWaitFor([bar] { return bar->isHidden(); }, 60000)) qWarning("the import never ended");
    return w.Outcome().result;
  }

  // Stage 1 and the delimited stage 2 over the sample file, to stage 3.
  void ToStage3Delimited(frmInterfaccia& w, const QString& file) {
    Open(w);
    test::Ctl<QLineEdit>(w, "txtNomeFile")->setText(file);
    test::Ctl<QComboBox>(w, "cmbTipoFonte")->setCurrentIndex(0);
    test::Ctl<QPushButton>(w, "CmdAvanti")->click();
    test::Ctl<QComboBox>(w, "DelimCampoD")->setEditText(";");
    test::Ctl<QComboBox>(w, "SaltaRigheD")->setEditText("1");
    test::Ctl<QPushButton>(w, "CAvantiD")->click();
    QCOMPARE(w.CurrentPanel(), QString("pnlFase3di3"));
  }

  // Loads and shows the wizard as the active window, so that focus moves as for a user.
  void Open(frmInterfaccia& w) {
    w.Form_Load(request_);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
  }

  static void Associate(frmInterfaccia& w, const QString& field, int column) {
    test::Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentText(field);
    ClickCell(*test::Ctl<forms::Grid>(w, "grdPreview"), 0, column);
  }

  Rows Query(const char* sql) const { return test::Query(db_, sql); }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }
  void associationFollowsTheFieldList() {
    Settle(lEnglish);
    request_.import.fields[2][kAssociatedColumn] = "4";  // preset by the host
    request_.import.fields[1][kAssociatedColumn] = "x";  // not a number: read as 0
    frmInterfaccia w;
    ToStage3Delimited(w, kSamples + "/clienti.txt");
    QCOMPARE(test::Ctl<QComboBox>(w, "cmbNomeCampo")->currentText(), Text(10));
    ClickCell(*test::Ctl<forms::Grid>(w, "grdPreview"), 0, 2);  // "{NONE}": nothing happens
    QVERIFY(!test::Ctl<QPushButton>(w, "CmdDisassocia")->isEnabled());
    QVERIFY(!test::Ctl<QLineEdit>(w, "txtNmFldUtente")->isEnabled());

    test::Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentText("Città");
    QCOMPARE(test::Ctl<QLineEdit>(w, "txtColAssociata")->text(), QString("5"));
    QVERIFY(test::Ctl<QPushButton>(w, "CmdDisassocia")->isEnabled());
    QVERIFY(!test::Ctl<QLineEdit>(w, "txtValoreCost")->isEnabled());
    Associate(w, "Codice", 0);
    QCOMPARE(Fields(w)[0][kAssociatedColumn], std::string("0"));
    QCOMPARE(test::Ctl<QLineEdit>(w, "txtColAssociata")->text(), QString("1"));

    test::Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentText("Nome");
    QCOMPARE(test::Ctl<QLineEdit>(w, "txtColAssociata")->text(),
             QString("1"));  // not a number: read as 0
    QVERIFY(test::Ctl<QLineEdit>(w, "txtNmFldUtente")->isEnabled());
    QVERIFY(w.findChild<QLabel*>("Label13")->isEnabled());
    test::Ctl<QLineEdit>(w, "txtNmFldUtente")->setFocus();
    test::Ctl<QLineEdit>(w, "txtNmFldUtente")->setText(" Nuovo ");
    test::Ctl<QLineEdit>(w, "txtValoreCost")->setFocus();  // leaving the box stores it exactly
    QCOMPARE(Fields(w)[1][kNewColumnName], std::string(" Nuovo "));

    // Back to "{NONE}": the boxes stay, typing stores nothing, and Disassociate still acts on
    // the field selected before.
    test::Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentIndex(0);
    test::Ctl<QLineEdit>(w, "txtValoreCost")->setText("ignored");
    test::Ctl<QLineEdit>(w, "txtNmFldUtente")->setFocus();
    QCOMPARE(Fields(w)[1][kConstantValue], std::string());
    test::Ctl<QPushButton>(w, "CmdDisassocia")->click();
    QCOMPARE(Fields(w)[1][kAssociatedColumn], std::string());
    QVERIFY(!test::Ctl<QPushButton>(w, "CmdDisassocia")->isEnabled());

    test::Ctl<QPushButton>(w, "Command2")->click();
    QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Del"));
  }

  void delimitedImportEndToEnd() {
    Settle(lItalian);
    test::RunSql(db_, "INSERT INTO Errori VALUES (1, 1, 'old');");
    frmInterfaccia w;
    ToStage3Delimited(w, kSamples + "/clienti.txt");
    Associate(w, "Codice", 0);
    Associate(w, "Nome", 1);
    Associate(w, "Città", 2);
    ScriptedBoxes boxes;
    boxes.Expect(Text(314), kQuestion, kYes);
    QVERIFY(Import(w) == eResult::SError);
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
    QCOMPARE(w.result(), int(QDialog::Accepted));
    // The associations made go back to the host.
    QCOMPARE(w.Outcome().fields[2][kAssociatedColumn], std::string("2"));
    QCOMPARE(Query("SELECT Codice, Nome, Citta FROM Clienti ORDER BY Codice"),
             (Rows{{"1", "Anna Bianchi", "Forl\xC3\xAC"},
                   {"2", "Bruno Conti", "Milano"},
                   {"3", "Carla D\xC3\xA8 Santis", "Roma"},
                   {"4", "Elena Fabbri", "Torino"},
                   {"5", "Franco Gallo", "Bari"},
                   {"6", "Giulia Neri", "Palermo"}}));
    // The old error row is gone and the duplicate is logged. The line with a sixth field
    // widened the preview to six columns, so it fits the fields and is stored.
    QCOMPARE(Query("SELECT NumRiga, CodErr FROM Errori ORDER BY rowid"), (Rows{{"4", "3022"}}));
  }

  // A CSV file in UTF-16 as an office suite saves it, with quoted separators, a quoted line
  // break and an unclosed quote: the preview shows exactly the rows the import stores, in
  // every character set the user can pick that reads the file.
  void csvPreviewEqualsWhatTheImportStores_data() {
    QTest::addColumn<int>("charset");  // the index in the character-set list
    QTest::newRow("Automatic") << 0;
    QTest::newRow("UTF-16LE") << 3;
  }

  void csvPreviewEqualsWhatTheImportStores() {
    QFETCH(int, charset);
    Settle(lEnglish);
    QByteArray bytes("\xFF\xFE");
    const QString text = QString::fromUtf8(
        "Codice,Nome,Citt\xC3\xA0\r\n"
        "1,\"Rossi, Anna\",\"Forl\xC3\xAC\"\r\n"
        "2,\"Bruno \"\"il grande\"\"\",\"Citt\xC3\xA0\r\nalta\"\r\n"
        "3,\"mai chiuso,Roma\r\n"
        "4,\xC3\x85sa,\xE6\x9D\xB1\xE4\xBA\xAC\r\n");
    for (QChar c : text) {
      bytes += static_cast<char>(c.unicode() & 0xFF);
      bytes += static_cast<char>(c.unicode() >> 8);
    }
    const QString file = test::WriteText(dir_, "office.txt", bytes);
    frmInterfaccia w;
    Open(w);
    QCOMPARE(test::Ctl<QComboBox>(w, "cmbCodifica")->currentIndex(), 0);  // the host's "auto"
    test::Ctl<QComboBox>(w, "cmbCodifica")->setCurrentIndex(charset);
    test::Ctl<QLineEdit>(w, "txtNomeFile")->setText(file);
    test::Ctl<QComboBox>(w, "cmbTipoFonte")->setCurrentIndex(0);
    test::Ctl<QPushButton>(w, "CmdAvanti")->click();
    QCOMPARE(test::Ctl<QListWidget>(w, "List1")->item(0)->text(),
             QString::fromUtf8("Codice,Nome,Citt\xC3\xA0"));
    test::Ctl<QComboBox>(w, "DelimCampoD")->setEditText(",");
    test::Ctl<QComboBox>(w, "DelimTestoD")->setEditText("\"");
    test::Ctl<QComboBox>(w, "SaltaRigheD")->setEditText("1");
    test::Ctl<QPushButton>(w, "CAvantiD")->click();
    QCOMPARE(w.CurrentPanel(), QString("pnlFase3di3"));
    const forms::Grid& grid = *test::Ctl<forms::Grid>(w, "grdPreview");
    std::vector<QStringList> shown;
    for (int r = 0; r < grid.Rows(); ++r) {
      QStringList row;
      for (int c = 0; c < 3; ++c) row << grid.CellText(r, c);
      shown.push_back(row);
    }
    Associate(w, "Codice", 0);
    Associate(w, "Nome", 1);
    Associate(w, "Città", 2);
    ScriptedBoxes boxes;
    boxes.Expect(Text(314), kQuestion, kYes);
    QVERIFY(Import(w) == eResult::SError);
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
    const Rows stored = Query("SELECT Codice, Nome, Citta FROM Clienti ORDER BY Codice");
    QCOMPARE(stored, (Rows{{"1", "Rossi, Anna", "Forl\xC3\xAC"},
                           {"2", "Bruno \"il grande\"", "Citt\xC3\xA0\r\nalta"},
                           {"4", "\xC3\x85sa", "\xE6\x9D\xB1\xE4\xBA\xAC"}}));
    QCOMPARE(shown.size(), stored.size());
    for (std::size_t r = 0; r < stored.size(); ++r) {
      QCOMPARE(shown[r], (QStringList{QString::fromStdString(stored[r][0]),
                                      QString::fromStdString(stored[r][1]),
                                      QString::fromStdString(stored[r][2])}));
    }
    // The unclosed quote costs its own line only, numbered as in the file.
    QCOMPARE(Query("SELECT NumRiga, CodErr FROM Errori"), (Rows{{"4", "31001"}}));
  }

  // The Italian price list of the samples, its format partly set by the host and finished
  // in stage 2.
  void italianPriceListThroughTheWizard() {
    db_ = dir_.filePath("listino.db").toStdString();
    QFile::remove(QString::fromStdString(db_));
    test::RunSql(db_,
                 "CREATE TABLE Listino(Codice TEXT, Descrizione TEXT, Prezzo DECIMAL(10,2),"
                 " Giacenza INTEGER, Dal DATE, Disponibile BOOLEAN, Aggiornato DATETIME);"
                 "CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT);");
    const QStringList columns{"Codice", "Descrizione", "Prezzo",    "Giacenza",
                              "Dal",    "Disponibile", "Aggiornato"};
    std::vector<std::vector<std::string>> rows;
    for (const QString& column : columns) rows.push_back({column.toStdString(), column.toStdString()});
    request_ = test::Request(lItalian, rows, dir_.path().toStdString());
    request_.import.target = {db_, "", "Listino", "Errori"};
    request_.import.format.decimalSeparator = ',';

    frmInterfaccia w;
    Open(w);
    test::Ctl<QLineEdit>(w, "txtNomeFile")->setText(kSamples + "/listino.txt");
    test::Ctl<QComboBox>(w, "cmbTipoFonte")->setCurrentIndex(0);
    test::Ctl<QPushButton>(w, "CmdAvanti")->click();
    auto* dates = test::Ctl<QComboBox>(w, "cmbDateD");
    QCOMPARE(test::Ctl<QComboBox>(w, "cmbDecimaleD")->currentData().toChar(), QChar(','));
    QCOMPARE(dates->currentData().toInt(), int(store::DateOrder::DMY));  // guessed
    for (auto* combo : {dates, test::Ctl<QComboBox>(w, "cmbDecimaleD")}) {
      QVERIFY(test::ShowsItsItemsWhole(*combo));
      QVERIFY(w.rect().contains(QRect(combo->mapTo(&w, QPoint(0, 0)), combo->size())));
    }
    dates->setCurrentText(Text(613));
    test::Ctl<QComboBox>(w, "DelimCampoD")->setEditText(";");
    test::Ctl<QComboBox>(w, "SaltaRigheD")->setEditText("1");
    test::Ctl<QPushButton>(w, "CAvantiD")->click();
    QCOMPARE(w.CurrentPanel(), QString("pnlFase3di3"));
    for (int c = 0; c < columns.size(); ++c) Associate(w, columns[c], c);
    ScriptedBoxes boxes;
    boxes.Expect(Text(314), kQuestion, kYes);
    QVERIFY(Import(w) == eResult::Success);
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
    QCOMPARE(Query("SELECT count(*) FROM Errori"), (Rows{{"0"}}));
    QCOMPARE(Query("SELECT Prezzo, Giacenza, Dal, Disponibile, Aggiornato FROM Listino"
                   " WHERE Codice IN ('A-1002', 'A-1005') ORDER BY Codice"),
             (Rows{{"1250.5", "35", "2024-03-01", "0", "2024-03-01 17:05:00"},
                   {"1234567.89", "-2", "2024-06-05", "1", "2024-06-05 12:00:00"}}));
    QCOMPARE(Query("SELECT Descrizione FROM Listino WHERE Codice = 'A-1003'"),
             (Rows{{"Caff\xC3\xA8 macinato 250 g"}}));
  }

  void fixedImportEndToEnd() {
    Settle(lEnglish);
    frmInterfaccia w;
    Open(w);
    test::Ctl<QLineEdit>(w, "txtNomeFile")->setText(kSamples + "/clienti_fisso.txt");
    test::Ctl<QComboBox>(w, "cmbTipoFonte")->setCurrentIndex(1);
    test::Ctl<QPushButton>(w, "CmdAvanti")->click();
    const std::vector<std::pair<const char*, const char*>> limits{
        {"1", "4"}, {"5", "24"}, {"25", "34"}, {"35", "44"}, {"45", "52"}};
    for (std::size_t r = 0; r < limits.size(); ++r) {
      test::Ctl<forms::Grid>(w, "grdInfoFldFix")
          ->SetCellText(static_cast<int>(r) + 1, 1, limits[r].first);
      test::Ctl<forms::Grid>(w, "grdInfoFldFix")
          ->SetCellText(static_cast<int>(r) + 1, 2, limits[r].second);
    }
    test::Ctl<QComboBox>(w, "ComboCharDeli")->setEditText(Text(10));
    test::Ctl<QPushButton>(w, "ComAvanti")->click();
    QCOMPARE(w.CurrentPanel(), QString("pnlFase3di3"));
    QCOMPARE(test::Ctl<forms::Grid>(w, "grdPreview")->CellText(1, 1), QString("Hanna Ivanova"));
    Associate(w, "Codice", 0);
    Associate(w, "Nome", 1);
    test::Ctl<QLineEdit>(w, "txtValoreCost")->setFocus();
    test::Ctl<QLineEdit>(w, "txtValoreCost")->setText("Const");
    test::Ctl<QPushButton>(w, "Command4")
        ->setFocus();  // the constant is stored when the box is left
    ScriptedBoxes boxes;
    boxes
        .Expect(Text(520) + "Nome" + Text(521), kQuestion, kNo)  // keep the constant
        .Expect(Text(314), kQuestion, kYes);
    QVERIFY(Import(w) == eResult::Success);
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
    QCOMPARE(Query("SELECT Codice, Nome FROM Clienti ORDER BY Codice"),
             (Rows{{"7", "Const"}, {"8", "Const"}, {"9", "Const"}}));
  }

  void importEndingsThatKeepTheWizardOpen() {
    Settle(lEnglish);
    // No header line: no field is associated before the user does it.
    const QString file = test::WriteText(dir_, "senza.txt", "0;x;y\r\n1;Anna;Forli\r\n2;Bruno;Roma\r\n");
    frmInterfaccia w;
    ToStage3Delimited(w, file);
    ScriptedBoxes boxes;
    // A required field without a column is named and selected.
    boxes.Expect(Text(308) + "Codice" + Text(509), kWarn);
    test::Ctl<QPushButton>(w, "Command4")->click();
    QCOMPARE(test::Ctl<QComboBox>(w, "cmbNomeCampo")->currentText(), QString("Codice"));
    // No field with a column at all.
    request_.import.fields[0][kRequired] = "";
    ToStage3Delimited(w, file);
    boxes.Expect(Text(510), kWarn);
    test::Ctl<QPushButton>(w, "Command4")->click();
    // No to "Start import?".
    Associate(w, "Codice", 0);
    boxes.Expect(Text(314), kQuestion, kNo);
    test::Ctl<QPushButton>(w, "Command4")->click();
    // A failure from the second step on: said, and the window stays.
    test::RunSql(db_, "DROP TABLE Errori;");
    boxes.Expect(Text(314), kQuestion, kYes).Expect(Text(507), kStop);
    QVERIFY(!Import(w));
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
    QVERIFY(boxes.LastDetail().startsWith("3078: "));  // the cause, for the user and the host
    QCOMPARE(w.Outcome().import->error->number(), 3078);
    QCOMPARE(w.CurrentPanel(), QString("pnlFase3di3"));
    QCOMPARE(w.result(), int(QDialog::Rejected));
  }

  void targetTableRules() {
    Settle(lEnglish);
    test::RunSql(db_, "INSERT INTO Clienti(Codice, Nome) VALUES (100, 'old');");
    // AsktoAppend: asked, and No keeps the rows.
    {
      frmInterfaccia w;
      ToStage3Delimited(w, kSamples + "/clienti.txt");
      Associate(w, "Codice", 0);
      ScriptedBoxes boxes;
      boxes.Expect(Text(314), kQuestion, kYes)
          .Expect(Text(312) + "\r\n" + Text(313), kQuestion, kNo);
      Import(w);
      QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
      QCOMPARE(Query("SELECT count(*) FROM Clienti WHERE Codice = 100")[0][0], std::string("1"));
    }
    // Without AsktoAppend, OverWriteTab empties the table without a question.
    request_.askToAppend = false;
    request_.overWriteTab = true;
    {
      frmInterfaccia w;
      ToStage3Delimited(w, kSamples + "/clienti.txt");
      Associate(w, "Codice", 0);
      ScriptedBoxes boxes;
      boxes.Expect(Text(314), kQuestion, kYes);
      QVERIFY(Import(w) == eResult::SError);
      QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
      QCOMPARE(Query("SELECT count(*) FROM Clienti WHERE Codice = 100")[0][0], std::string("0"));
    }
  }

  void anImportThatCannotReadTheFileFails() {
    Settle(lEnglish);
    const QString file = test::WriteText(dir_, "gone.txt", "1;a\n2;b\n");
    frmInterfaccia w;
    Open(w);
    test::Ctl<QLineEdit>(w, "txtNomeFile")->setText(file);
    test::Ctl<QComboBox>(w, "cmbTipoFonte")->setCurrentIndex(0);
    test::Ctl<QPushButton>(w, "CmdAvanti")->click();
    test::Ctl<QComboBox>(w, "DelimCampoD")->setEditText(";");
    test::Ctl<QPushButton>(w, "CAvantiD")->click();
    Associate(w, "Codice", 0);
    QFile::remove(file);
    ScriptedBoxes boxes;
    boxes.Expect(Text(314), kQuestion, kYes).Expect(Text(507), kStop);
    QVERIFY(!Import(w));
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
    // Found before any table was touched: said, and the user can pick the file again.
    QVERIFY(boxes.LastDetail().startsWith("53: "));
    QCOMPARE(w.CurrentPanel(), QString("pnlFase3di3"));
  }

  // A blank typed as the fixed-width text delimiter is refused on stage 2, so the import
  // that would empty the table and then fail is never reached: the table keeps its rows.
  void aBlankFixedDelimiterNeverReachesTheImport() {
    Settle(lEnglish);
    test::RunSql(db_, "INSERT INTO Clienti(Codice, Nome) VALUES (100, 'kept');");
    request_.askToAppend = false;
    request_.overWriteTab = true;
    frmInterfaccia w;
    Open(w);
    test::Ctl<QLineEdit>(w, "txtNomeFile")->setText(kSamples + "/clienti_fisso.txt");
    test::Ctl<QComboBox>(w, "cmbTipoFonte")->setCurrentIndex(1);
    test::Ctl<QPushButton>(w, "CmdAvanti")->click();
    test::Ctl<forms::Grid>(w, "grdInfoFldFix")->SetCellText(1, 1, "1");
    test::Ctl<forms::Grid>(w, "grdInfoFldFix")->SetCellText(1, 2, "4");
    test::Ctl<QComboBox>(w, "ComboDelimTesto")->setEditText(" ");
    ScriptedBoxes boxes;
    boxes.Expect(Text(217), kWarn);
    QTest::mouseClick(test::Ctl<QPushButton>(w, "ComAvanti"), Qt::LeftButton);
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
    QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Fisso"));
    QCOMPARE(Query("SELECT Nome FROM Clienti"), (Rows{{"kept"}}));
  }

  // What the user types goes to the first control of the panel shown, not to a hidden one;
  // the new-name and constant labels go with their boxes, on a later opening too.
  void focusAndLabelsFollowWhatIsShown() {
    Settle(lEnglish);
    frmInterfaccia w;
    Open(w);
    auto* name = test::Ctl<QLineEdit>(w, "txtNomeFile");
    name->setText(kSamples + "/clienti.txt");
    test::Ctl<QComboBox>(w, "cmbTipoFonte")->setCurrentIndex(0);
    QTest::keyClick(name, Qt::Key_Return);
    auto* separator = test::Ctl<QComboBox>(w, "DelimCampoD");
    separator->lineEdit()->clear();
    QTest::keyClicks(QApplication::focusWidget(), ";");
    QCOMPARE(separator->currentText(), QString(";"));
    QCOMPARE(name->text(), kSamples + "/clienti.txt");
    test::Ctl<QPushButton>(w, "CAvantiD")->click();
    QCOMPARE(QApplication::focusWidget(), test::Ctl<QComboBox>(w, "cmbNomeCampo"));
    test::Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentText("Nome");
    QVERIFY(w.findChild<QLabel*>("Label13")->isEnabled());
    test::Ctl<QPushButton>(w, "Command3")->click();
    ToStage3Delimited(w, kSamples + "/clienti.txt");
    QVERIFY(!w.findChild<QLabel*>("Label13")->isEnabled());
    QVERIFY(!w.findChild<QLabel*>("Label10")->isEnabled());
  }

  // A long import shows its progress while the window answers; Cancel stops it before a
  // line, everything before which is stored, says so, and closes the wizard with Abort.
  void cancelStopsALongImportAtALine() {
    Settle(lItalian);
    request_.askToAppend = false;
    QByteArray text = "Codice;Nome\n";
    for (int i = 1; i <= 400000; ++i) text += QByteArray::number(i) + ";Nome\n";
    frmInterfaccia w;
    ToStage3Delimited(w, test::WriteText(dir_, "lungo.txt", text));
    Associate(w, "Codice", 0);
    QStringList messages;
    forms::Context().messageBox = [&](const QString& prompt, int style, const QString&,
                                      const QString&) {
      if (style != kQuestion) messages << prompt;
      return kYes;
    };
    auto* bar = test::Ctl<QProgressBar>(w, "prgImport");
    bool waited = false;
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [&, poll] {
      if (!bar->isVisible() || bar->value() == 0) return QTimer::singleShot(1, *poll);
      waited = !test::Ctl<QPushButton>(w, "Command4")->isEnabled();
      test::Screenshot(w, "stage3-importing-it");
      QTest::mouseClick(test::Ctl<QPushButton>(w, "Command3"), Qt::LeftButton);
    };
    QTimer::singleShot(0, *poll);
    QVERIFY(Import(w) == eResult::Abort);
    forms::Context().messageBox = nullptr;
    QVERIFY(waited);
    QVERIFY(w.Outcome().import && w.Outcome().import->cancelled);
    const std::int64_t stop = w.Outcome().import->stoppedAtLine;
    QVERIFY(stop > 1 && stop <= 400000);
    const std::string before = std::to_string(stop - 1);
    QCOMPARE(Query("SELECT count(*), max(Codice) FROM Clienti"), (Rows{{before, before}}));
    QCOMPARE(messages, QStringList(Text(621)
                                       .replace("%1", QString::number(stop))
                                       .replace("%2", QString::fromStdString(before))
                                       .replace("%3", "0")));
  }

  // The wizard's error rows keep the line and the refused column; a host's progress handler
  // is still called on the GUI thread.
  void errorRowsKeepTheLine() {
    Settle(lEnglish);
    test::RunSql(db_, "ALTER TABLE Errori ADD TestoRiga TEXT; ALTER TABLE Errori ADD NomeColonna;");
    int elsewhere = -1;
    request_.import.progress = [&](const ImportStats&) {
      elsewhere = QThread::currentThread() != qApp->thread();
    };
    frmInterfaccia w;
    ToStage3Delimited(w, test::WriteText(dir_, "errori.txt", "C;N\r\n1;Anna\r\nx;Bruno\r\n"));
    Associate(w, "Codice", 0);
    ScriptedBoxes boxes;
    boxes.Expect(Text(314), kQuestion, kYes);
    Import(w);
    QCOMPARE(elsewhere, 0);
    QCOMPARE(Query("SELECT NumRiga, TestoRiga, NomeColonna FROM Errori"),
             (Rows{{"2", "x;Bruno", "Codice"}}));
  }

  // The table preview numbers its columns as the Column box counts them, fits them in the
  // window, chooses no cell before the user does, and marks the selected field's column.
  void previewColumnsAreNumberedAndMarked() {
    for (const auto& [language, code] :
         {std::pair{lItalian, "it"}, std::pair{lEnglish, "en"}, std::pair{lFrench, "fr"},
          std::pair{lGerman, "de"}, std::pair{lSpanish, "es"}}) {
      Settle(language);
      frmInterfaccia w;
      ToStage3Delimited(w, kSamples + "/clienti.txt");
      auto& grid = *test::Ctl<forms::Grid>(w, "grdPreview");
      // The header line's names beside the numbers, where the file has one.
      const QStringList names{"Codice", "Nome", "Città", "Nato il", "Saldo"};
      for (int c = 0; c < grid.Cols(); ++c) {
        QCOMPARE(grid.model()->headerData(c, Qt::Horizontal).toString(),
                 QString::number(c + 1) + (c < names.size() ? ' ' + names[c] : QString()));
      }
      QCOMPARE(grid.horizontalScrollBar()->maximum(), 0);
      QVERIFY(grid.selectedItems().isEmpty());
      Associate(w, "Nome", 1);
      auto bold = [&grid](int c) {
        return grid.model()->headerData(c, Qt::Horizontal, Qt::FontRole).value<QFont>().bold();
      };
      QVERIFY(bold(1) && !bold(2));
      QVERIFY(grid.item(3, 1)->background() != grid.item(3, 2)->background());
      test::Screenshot(w, QString("stage3-%1").arg(code));
    }
  }
};

QTEST_MAIN(ImportStageTest)
#include "import_stage_test.moc"
