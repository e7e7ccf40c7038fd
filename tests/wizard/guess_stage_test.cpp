// The wizard as a new user meets it with a file it has never seen: the type, the layout and
// the number and date format guessed, and the fields associated by the header's names, all
// of it open to the user's hand. Driven through the real widgets.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "forms/forms.h"
#include "test_support.h"
#include "vandrel/catalogue.h"
#include "vandrel/spec_files.h"
#include "vandrel/vandrel_ctl.h"
#include "wizard/stage3_panel.h"
#include "wizard/frm_interfaccia.h"
#include "wizard/frm_message.h"
#include "wizard_support.h"

using namespace vandrel;
using forms::Text;
using test::Ctl;
using test::ScriptedBoxes;

namespace {

const QString kSamples = QStringLiteral(VANDREL_SAMPLES_DIR);

}  // namespace

class GuessStageTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  WizardRequest Request(int language) {
    WizardRequest request =
        test::Request(language,
                      {{"Codice", "Codice", "1"}, {"Nome", "Nome"}, {"Citta", "Città", "", "", "", "4"}},
                      dir_.path().toStdString());
    request.askToAppend = false;
    return request;
  }

  // Stage 1 with the file typed in: the type list follows the file until the user picks one.
  static void NameFile(frmInterfaccia& w, const QString& file) {
    Ctl<QLineEdit>(w, "txtNomeFile")->setText(file);
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void stageOneGuessesTheTypeUntilTheUserChoosesOne() {
    frmInterfaccia w;
    w.Form_Load(Request(lEnglish));
    auto* type = Ctl<QComboBox>(w, "cmbTipoFonte");
    NameFile(w, kSamples + "/clienti_fisso.txt");
    QCOMPARE(type->currentIndex(), 1);
    NameFile(w, kSamples + "/clienti.txt");
    QCOMPARE(type->currentIndex(), 0);
    // Chosen by the user, the type stays whatever file follows.
    QTest::keyClick(type, Qt::Key_Down);
    emit type->activated(type->currentIndex());
    NameFile(w, kSamples + "/clienti.txt");
    QCOMPARE(type->currentIndex(), 1);
  }

  // Stage 2 opens with the guess and says so; a saved layout replaces it; stage 3 heads the
  // columns with the header's names and associates the fields they name, keeping the host's.
  void delimitedFromGuessToImport() {
    const std::string db = dir_.filePath("guess.db").toStdString();
    test::RunSql(db, "CREATE TABLE Clienti(Codice INTEGER, Nome TEXT, Città TEXT);"
                     "CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT);");
    WizardRequest request = Request(lItalian);
    request.import.target = {db, "", "Clienti", "Errori"};
    frmInterfaccia w;
    w.Form_Load(request);
    w.show();
    NameFile(w, kSamples + "/clienti.txt");
    Ctl<QPushButton>(w, "CmdAvanti")->click();
    QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Del"));
    QCOMPARE(Ctl<QComboBox>(w, "DelimCampoD")->currentText(), QString(";"));
    QCOMPARE(Ctl<QComboBox>(w, "SaltaRigheD")->currentText(), QString("1"));
    QVERIFY(Ctl<QLabel>(w, "lblGuessD")->isVisible());
    QCOMPARE(Ctl<QLabel>(w, "lblGuessD")->text(), Text(630));
    test::Screenshot(w, "stage2-guessed-it");

    // A saved layout replaces the guess, and the note goes.
    specs::Append(dir_.path().toStdString(), "Tab",
                  specs::DelimitedSpecRecord{"Tab", "{TAB}", "{NONE}", 0});
    QTimer::singleShot(0, [] {
      auto* d = qobject_cast<frmMessage*>(QApplication::activeModalWidget());
      QVERIFY(d);
      d->cmbVariant->setEditText("Tab");
      d->cmdOK->click();
    });
    Ctl<QPushButton>(w, "cmdImpDefDel")->click();
    QCOMPARE(Ctl<QComboBox>(w, "DelimCampoD")->currentText(), Text(kTokenTab));
    QVERIFY(!Ctl<QLabel>(w, "lblGuessD")->isVisible());
    Ctl<QComboBox>(w, "DelimCampoD")->setEditText(";");
    Ctl<QComboBox>(w, "SaltaRigheD")->setEditText("1");
    Ctl<QPushButton>(w, "CAvantiD")->click();
    QCOMPARE(w.CurrentPanel(), QString("pnlFase3di3"));

    auto& grid = *Ctl<forms::Grid>(w, "grdPreview");
    QCOMPARE(grid.model()->headerData(2, Qt::Horizontal).toString(), QString("3 Città"));
    const auto& fields = w.findChild<Stage3Panel*>()->Fields();
    QCOMPARE(fields[0][kAssociatedColumn], std::string("0"));  // by FieldName
    QCOMPARE(fields[1][kAssociatedColumn], std::string("1"));
    QCOMPARE(fields[2][kAssociatedColumn], std::string("4"));  // the host's stays
    // The user can undo one.
    Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentText("Nome");
    QCOMPARE(Ctl<QLineEdit>(w, "txtColAssociata")->text(), QString("2"));
    Ctl<QPushButton>(w, "CmdDisassocia")->click();
    ScriptedBoxes boxes;
    boxes.Expect(Text(314), 36, 6);
    Ctl<QPushButton>(w, "Command4")->click();
    QTRY_VERIFY(w.Outcome().result);
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
    QCOMPARE(test::Query(db, "SELECT Codice, Nome, Città FROM Clienti WHERE Codice = 1"),
             (std::vector<std::vector<std::string>>{{"1", "NULL", "1250.50"}}));
  }

  // The fixed-width grid opens with the guessed columns; the first digit typed into a
  // guessed cell replaces the guess rather than extending it.
  void fixedColumnsAreGuessedAndTypedOver() {
    frmInterfaccia w;
    w.Form_Load(Request(lEnglish));
    w.show();
    NameFile(w, kSamples + "/clienti_fisso.txt");
    Ctl<QPushButton>(w, "CmdAvanti")->click();
    QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Fisso"));
    auto& limits = *Ctl<forms::Grid>(w, "grdInfoFldFix");
    QCOMPARE(limits.CellText(1, 1), QString("1"));
    QCOMPARE(limits.CellText(2, 1), QString("25"));
    QVERIFY(Ctl<QLabel>(w, "lblGuessF")->isVisible());
    limits.setFocus();
    limits.SetRow(2);
    limits.SetCol(1);
    QTest::keyClicks(&limits, "26");
    QCOMPARE(limits.CellText(2, 1), QString("26"));
    test::Screenshot(w, "stage2-fixed-guessed-en");
  }
};

QTEST_MAIN(GuessStageTest)
#include "guess_stage_test.moc"
