// The wizard's frame, stage 1, delimited stage 2 and the layout dialog, driven through their
// real widgets with message boxes and the file dialog answered by script.
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "forms/forms.h"
#include "vandrel/spec_files.h"
#include "vandrel/vandrel_ctl.h"
#include "vandrel/wizard.h"
#include "wizard/frm_interfaccia.h"
#include "wizard/frm_message.h"
#include "wizard_support.h"

using namespace vandrel;
using forms::Text;
using test::ScriptedBoxes;

namespace {

constexpr int kStop = 16, kQuestion = 36, kWarn = 48, kInfo = 64, kYes = 6, kNo = 7;

QStringList Items(const QListWidget& list) {
  QStringList items;
  for (int i = 0; i < list.count(); ++i) items << list.item(i)->text();
  return items;
}

QStringList Row(const forms::Grid& grid, int row) {
  QStringList cells;
  for (int c = 0; c < grid.Cols(); ++c) cells << grid.CellText(row, c);
  return cells;
}

// Runs `act` on the layout dialog once it is shown modally.
void OnDialog(std::function<void(frmMessage&)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<frmMessage*>(QApplication::activeModalWidget());
    if (!dialog) {
      QWARN("no layout dialog was shown");
      return;
    }
    act(*dialog);
    if (dialog->isVisible()) dialog->reject();  // a dialog the step left open
  });
}

}  // namespace

class WizardTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString delimited_;  // a small ';'-separated file with CR-LF line ends

  WizardRequest request_;

  // What the control hands the wizard: three field rows, in `language`.
  void Settle(int language) {
    request_ = test::Request(language, {{"Codice"}, {"Nome"}, {"Città"}}, dir_.path().toStdString());
  }

  // From stage 1 to the stage-2 panel of `type` (0 delimited, 1 fixed) over `file`.
  static void ToStage2(frmInterfaccia& w, const QString& file, int type) {
    test::Ctl<QLineEdit>(w, "txtNomeFile")->setText(file);
    test::Ctl<QComboBox>(w, "cmbTipoFonte")->setCurrentIndex(type);
    test::Ctl<QPushButton>(w, "CmdAvanti")->click();
  }

  static void Choose(frmInterfaccia& w, const QString& separator, const QString& delimiter,
                     const QString& skip) {
    test::Ctl<QComboBox>(w, "DelimCampoD")->setEditText(separator);
    test::Ctl<QComboBox>(w, "DelimTestoD")->setEditText(delimiter);
    test::Ctl<QComboBox>(w, "SaltaRigheD")->setEditText(skip);
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    delimited_ = test::WriteText(
        dir_, "clienti.txt", "Codice;Nome;Citt\xe0\r\n1;\"Anna\";Forl\xec\r\n2; Bruno ;Roma\r\n");
  }

  void loadCaptionsAndShowsStageOne() {
    for (int language : {1, 2, 9}) {
      Settle(language);
      frmInterfaccia w;
      w.Form_Load(request_);
      QCOMPARE(w.CurrentPanel(), QString("pnlFase1di3"));
      QCOMPARE(w.windowTitle(), Text(15));
      QCOMPARE(test::Ctl<QLineEdit>(w, "txtNomeFile")->text(), QString("*.txt"));
      QCOMPARE(test::Ctl<QComboBox>(w, "cmbTipoFonte")->currentIndex(), -1);
      QCOMPARE(test::Ctl<QComboBox>(w, "cmbTipoFonte")->itemText(1), Text(106));
      QCOMPARE(test::Ctl<QPushButton>(w, "CmdAvanti")->text(), Text(0));
    }
    // A language without texts shows the English ones.
    QCOMPARE(Text(15), QString("ASCII text import WIZARD"));
  }

  void stageOneRefusesBadNamesAndMissingFiles() {
    Settle(lItalian);
    frmInterfaccia w;
    w.Form_Load(request_);
    {
      ScriptedBoxes boxes;
      for (const char* bad : {"", "*.txt", "a.text", "noext", "ab"}) {
        boxes.Expect(Text(107), kWarn);
        test::Ctl<QLineEdit>(w, "txtNomeFile")->setText(bad);
        test::Ctl<QPushButton>(w, "CmdAvanti")->click();
        QCOMPARE(test::Ctl<QLineEdit>(w, "txtNomeFile")->text(), QString("*.txt"));
      }
      // A good name without a type: the type is asked for and the name stays.
      boxes.Expect(Text(108), kWarn);
      test::Ctl<QLineEdit>(w, "txtNomeFile")->setText(dir_.filePath("missing.csv"));
      test::Ctl<QPushButton>(w, "CmdAvanti")->click();
      QCOMPARE(test::Ctl<QLineEdit>(w, "txtNomeFile")->text(), dir_.filePath("missing.csv"));
      // With a type, a missing file is refused.
      boxes.Expect(Text(107), kWarn);
      test::Ctl<QComboBox>(w, "cmbTipoFonte")->setCurrentIndex(0);
      test::Ctl<QPushButton>(w, "CmdAvanti")->click();
      QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
    }
    QCOMPARE(w.CurrentPanel(), QString("pnlFase1di3"));
    // A typed name of an existing file, any letter case of extension, goes to stage 2 and is
    // the file previewed.
    const QString upper = test::WriteText(dir_, "UPPER.TXT", "a;b\n");
    ScriptedBoxes none;
    ToStage2(w, upper, 0);
    QVERIFY2(none.Problems().isEmpty(), qPrintable(none.Problems()));
    QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Del"));
    QCOMPARE(Items(*test::Ctl<QListWidget>(w, "List1")), QStringList{"a;b"});
  }

  void searchFileUsesTheDialog() {
    Settle(lEnglish);
    frmInterfaccia w;
    w.Form_Load(request_);
    forms::FileDialogRequest seen;
    forms::Context().fileDialog = [&](const forms::FileDialogRequest& r) -> std::optional<QString> {
      seen = r;
      return delimited_;
    };
    test::Ctl<QPushButton>(w, "cmdCercaFile")->click();
    QCOMPARE(test::Ctl<QLineEdit>(w, "txtNomeFile")->text(), delimited_);
    QCOMPARE(seen.flags, 4096);
    QCOMPARE(seen.title, QString("Select import file."));
    QCOMPARE(seen.fileName, QString("*.txt"));
    QCOMPARE(seen.filter, QString("Text file (*.txt)|*.txt|All file (*.*)|*.*"));
    forms::Context().fileDialog = [](const forms::FileDialogRequest&) { return std::nullopt; };
    test::Ctl<QPushButton>(w, "cmdCercaFile")->click();  // cancelled: the pattern is back
    QCOMPARE(test::Ctl<QLineEdit>(w, "txtNomeFile")->text(), QString("*.txt"));
    forms::Context().fileDialog = nullptr;
  }

  void stageTwoWithoutFieldRowsGoesBack() {
    request_ = test::Request(lItalian, {}, dir_.path().toStdString());
    frmInterfaccia w;
    w.Form_Load(request_);
    ScriptedBoxes boxes;
    boxes.Expect(Text(507), kStop);
    ToStage2(w, delimited_, 0);
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
    QCOMPARE(w.CurrentPanel(), QString("pnlFase1di3"));
  }

  void delimitedStageResetsAndPreviews_data() {
    QTest::addColumn<QByteArray>("ending");
    QTest::newRow("LF") << QByteArray("\n");
    QTest::newRow("CR-LF") << QByteArray("\r\n");
    QTest::newRow("CR") << QByteArray("\r");
  }

  void delimitedStageResetsAndPreviews() {
    QFETCH(QByteArray, ending);
    Settle(lItalian);
    QByteArray bytes;
    for (const char* line : {"h1;h2", "a;\"b;c\";d", "  x  ;y", "1;2;3;4;5"})
      bytes += QByteArray(line) + ending;
    bytes += "last;no;end";
    const QString file = test::WriteText(dir_, "preview.txt", bytes);
    frmInterfaccia w;
    w.Form_Load(request_);
    ToStage2(w, file, 0);
    QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Del"));
    QCOMPARE(Items(*test::Ctl<QListWidget>(w, "List1")),
             (QStringList{"h1;h2", "a;\"b;c\";d", "x  ;y", "1;2;3;4;5", "last;no;end"}));
    QCOMPARE(test::Ctl<QComboBox>(w, "DelimCampoD")->currentText(), QString(";"));  // guessed
    QCOMPARE(test::Ctl<QComboBox>(w, "DelimCampoD")->itemText(2), Text(14));
    QCOMPARE(test::Ctl<QComboBox>(w, "DelimTestoD")->currentText(), QString("\""));
    QCOMPARE(test::Ctl<QComboBox>(w, "DelimTestoD")->itemText(0), Text(10));
    QCOMPARE(test::Ctl<QComboBox>(w, "cmbNomeCampo")->count(), 4);
    QCOMPARE(test::Ctl<QComboBox>(w, "cmbNomeCampo")->itemText(0), Text(10));
    QCOMPARE(test::Ctl<QComboBox>(w, "cmbNomeCampo")->itemText(3), QString("Città"));

    Choose(w, ";", "\"", "1");
    ScriptedBoxes none;
    test::Ctl<QPushButton>(w, "CAvantiD")->click();
    QVERIFY2(none.Problems().isEmpty(), qPrintable(none.Problems()));
    QCOMPARE(w.CurrentPanel(), QString("pnlFase3di3"));
    const forms::Grid& g = *test::Ctl<forms::Grid>(w, "grdPreview");
    QCOMPARE(g.Rows(), 4);
    QCOMPARE(g.Cols(), 5);                                        // widened by the longer line
    QCOMPARE(Row(g, 0), (QStringList{"a", "b;c", "d", "", ""}));  // a quoted field holds ';'
    QCOMPARE(Row(g, 1), (QStringList{"x", "y", "", "", ""}));
    QCOMPARE(Row(g, 3), (QStringList{"last", "no", "end", "", ""}));  // no line end, all fields
    QCOMPARE(test::Ctl<QComboBox>(w, "cmbNomeCampo")->currentIndex(), 0);
  }

  void delimitedNextChecksItsChoices() {
    Settle(lEnglish);
    frmInterfaccia w;
    w.Form_Load(request_);
    ToStage2(w, delimited_, 0);
    ScriptedBoxes boxes;
    boxes.Expect(Text(215), kWarn)
        .Expect(Text(215), kWarn)
        .Expect(Text(215), kWarn)
        .Expect(Text(216), kWarn)
        .Expect(Text(216), kWarn)
        .Expect(Text(502), kWarn)
        .Expect(Text(217), kWarn)
        .Expect(Text(217), kWarn)
        .Expect(Text(217), kWarn);
    for (const auto& [sep, delim, skip] :
         std::initializer_list<std::tuple<QString, QString, QString>>{{"", "{NONE}", "0"},
                                                                      {"{NONE}", "{NONE}", "0"},
                                                                      {"{NESSUNO}", "{NONE}", "0"},
                                                                      {";", "", "0"},
                                                                      {";", "  ", "0"},
                                                                      {";", "{NONE}", ""},
                                                                      {";", "{NONE}", "abc"},
                                                                      {";", "{NONE}", "40000"},
                                                                      {";", "{NONE}", "-1"}}) {
      Choose(w, sep, delim, skip);
      test::Ctl<QPushButton>(w, "CAvantiD")->click();
      QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Del"));
    }
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));

    // Tokens, and a skip written as a fraction, rounded halves to even: two lines skipped.
    Choose(w, "{TAB}", "{NONE}", "2.5");
    test::Ctl<QPushButton>(w, "CAvantiD")->click();
    QCOMPARE(w.CurrentPanel(), QString("pnlFase3di3"));
    QCOMPARE(Row(*test::Ctl<forms::Grid>(w, "grdPreview"), 0), QStringList{"2; Bruno ;Roma"});

    // Back from stage 2 keeps the choices until stage 1's Next resets them.
    test::Ctl<QPushButton>(w, "Command2")->click();
    QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Del"));
    test::Ctl<QPushButton>(w, "CIndD")->click();
    QCOMPARE(w.CurrentPanel(), QString("pnlFase1di3"));
    test::Ctl<QPushButton>(w, "CmdAvanti")->click();
    QCOMPARE(test::Ctl<QComboBox>(w, "DelimCampoD")->currentText(), QString(";"));  // guessed again
  }

  void cancelOnEveryStageAborts() {
    Settle(lItalian);
    frmInterfaccia w;
    for (const char* button : {"CmdAnnulla", "Command20", "ComAnnulla", "Command3"}) {
      w.Form_Load(request_);
      w.show();
      w.findChild<QPushButton*>(button)->click();
      QVERIFY(w.Outcome().result == eResult::Abort);
      QVERIFY(!w.isVisible());
    }
    // The window's own close box leaves the result alone.
    w.Form_Load(request_);
    w.show();
    w.close();
    QVERIFY(!w.Outcome().result);
  }

  void actionZeroOpensTheSharedWizardModally() {
    InstallWizard();
    VandrelCtl ctl;
    ctl.InitProperties();
    ctl.setLanguage(lEnglish);
    ctl.setNumField(1);
    QWidget* first = nullptr;
    for (int round = 0; round < 2; ++round) {
      ctl.setImportResult(eResult::Success);
      QTimer::singleShot(0, [&first, round] {
        auto* w = qobject_cast<frmInterfaccia*>(QApplication::activeModalWidget());
        QVERIFY(w);
        if (round == 0) first = w;
        QCOMPARE(static_cast<QWidget*>(w), first);  // the same window every time
        QCOMPARE(test::Ctl<QLineEdit>(*w, "txtNomeFile")->text(), QString("*.txt"));
        test::Ctl<QPushButton>(*w, "CmdAnnulla")->click();
      });
      ctl.setAction(aShowInterface);
      QCOMPARE(ctl.ImportResult(), std::int16_t{4});
    }
  }

  void layoutDialogSavesLoadsAndDeletes() {
    Settle(lEnglish);
    frmInterfaccia w;
    w.Form_Load(request_);
    ToStage2(w, delimited_, 0);
    {
      ScriptedBoxes boxes;
      boxes.Expect(Text(515), kInfo);
      test::Ctl<QPushButton>(w, "cmdImpDefDel")->click();  // nothing saved yet: no dialog
      QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
    }
    QVERIFY(QFile::exists(dir_.filePath("FlDlmtd")));

    Choose(w, ";", "\"", "1");
    ScriptedBoxes boxes;
    boxes.Expect(Text(517), kWarn);
    OnDialog([](frmMessage& d) {
      QCOMPARE(d.windowTitle(), Text(5));
      QVERIFY(d.txtVariant->isVisible());
      QVERIFY(!d.cmbVariant->isVisible());
      d.cmdOK->click();  // empty name: the dialog stays
      QVERIFY(d.isVisible());
      d.txtVariant->setText("Monthly");
      d.cmdOK->click();
    });
    test::Ctl<QPushButton>(w, "cmdSalvImpDel")->click();
    QCOMPARE(test::Ctl<QLabel>(w, "LabNomeImpD")->text(), Text(211) + "Monthly");
    specs::DelimitedSpecRecord saved;
    QVERIFY(specs::FindDelimited(dir_.path().toStdString(), "Monthly", saved));
    QCOMPARE(saved.FieldSeparator, std::string(";"));
    QCOMPARE(saved.SkipLines, std::int16_t{1});

    // A layout saved in Italian loads with the English tokens.
    specs::Append(dir_.path().toStdString(), "Italiano",
                  specs::DelimitedSpecRecord{"Italiano", "{SPAZIO}", "{NESSUNO}", 2});
    OnDialog([](frmMessage& d) {
      QCOMPARE(d.cmbVariant->count(), 2);
      d.cmbVariant->setEditText("Italiano");
      d.cmdOK->click();
    });
    test::Ctl<QPushButton>(w, "cmdImpDefDel")->click();
    QCOMPARE(test::Ctl<QComboBox>(w, "DelimCampoD")->currentText(), QString("{SPACE}"));
    QCOMPARE(test::Ctl<QComboBox>(w, "DelimTestoD")->currentText(), QString("{NONE}"));
    QCOMPARE(test::Ctl<QComboBox>(w, "SaltaRigheD")->currentText(), QString("2"));
    QCOMPARE(test::Ctl<QLabel>(w, "LabNomeImpD")->text(), Text(211) + "\nItaliano");
    test::Ctl<QComboBox>(w, "SaltaRigheD")
        ->setEditText("3");  // an edit: the layout is no longer the saved one
    QCOMPARE(test::Ctl<QLabel>(w, "LabNomeImpD")->text(), Text(211) + "\n");

    // Saving a name that exists: told, nothing written, the label keeps no name.
    boxes.Expect(Text(518), kWarn);
    OnDialog([](frmMessage& d) {
      d.txtVariant->setText("Monthly");
      d.cmdOK->click();
    });
    test::Ctl<QPushButton>(w, "cmdSalvImpDel")->click();
    QCOMPARE(test::Ctl<QLabel>(w, "LabNomeImpD")->text(), Text(211));
    QCOMPARE(QFileInfo(dir_.filePath("FlDlmtd")).size(), qint64{80});

    // A skip count that is not a number cannot be saved; the dialog stays open.
    test::Ctl<QComboBox>(w, "SaltaRigheD")->setEditText("many");
    boxes.Expect(Text(217), kWarn);
    OnDialog([](frmMessage& d) {
      d.txtVariant->setText("Other");
      d.cmdOK->click();
      QVERIFY(d.isVisible());
    });
    test::Ctl<QPushButton>(w, "cmdSalvImpDel")->click();

    // Deleting asks first; No keeps the layout, Yes removes it.
    boxes.Expect(Text(403), kQuestion, kNo).Expect(Text(403), kQuestion, kYes);
    for (int i = 0; i < 2; ++i) {
      OnDialog([](frmMessage& d) {
        d.cmbVariant->setEditText("Monthly");
        d.cmdOK->click();
      });
      test::Ctl<QPushButton>(w, "cmdCancImpDel")->click();
    }
    QCOMPARE(specs::ListNames(specs::SpecKind::Delimited, dir_.path().toStdString()),
             std::vector<std::string>{"Italiano"});
    // An empty name to delete: told, and the dialog closes with the label reset.
    boxes.Expect(Text(400), kWarn);
    OnDialog([](frmMessage& d) { d.cmdOK->click(); });
    test::Ctl<QPushButton>(w, "cmdCancImpDel")->click();
    QCOMPARE(test::Ctl<QLabel>(w, "LabNomeImpD")->text(), Text(211) + "\n");
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
    QFile::remove(dir_.filePath("FlDlmtd"));
  }

  void fixedLayoutsRoundTripThroughTheGrid() {
    Settle(lItalian);
    const QString fixed = test::WriteText(dir_, "fisso.txt", "ABCDE12345\nFGHIJ67890\n");
    frmInterfaccia w;
    w.Form_Load(request_);
    ToStage2(w, fixed, 1);
    QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Fisso"));
    QCOMPARE(test::Ctl<forms::Grid>(w, "grdInfoFldFix")->Rows(), 8);  // NumField + 6
    QCOMPARE(test::Ctl<forms::Grid>(w, "grdInfoFldFix")->CellText(0, 1), Text(12));
    QCOMPARE(test::Ctl<QComboBox>(w, "ComboCharDeli")->currentText(), Text(14));
    QCOMPARE(test::Ctl<QPlainTextEdit>(w, "txtPreView")->toPlainText(),
             QString("        10        20\n12345678901234567890\nABCDE12345\nFGHIJ67890\n"));
    test::Ctl<forms::Grid>(w, "grdInfoFldFix")->SetCellText(1, 1, "1");
    test::Ctl<forms::Grid>(w, "grdInfoFldFix")->SetCellText(1, 2, "5");
    test::Ctl<forms::Grid>(w, "grdInfoFldFix")->SetCellText(2, 1, "6");
    test::Ctl<forms::Grid>(w, "grdInfoFldFix")->SetCellText(2, 2, "10");
    ScriptedBoxes boxes;
    OnDialog([](frmMessage& d) {
      d.txtVariant->setText("Fisso");
      d.cmdOK->click();
    });
    test::Ctl<QPushButton>(w, "cmdSalvImpFisso")->click();
    QCOMPARE(test::Ctl<QLabel>(w, "LabNomeImpF")->text(), Text(211) + "\nFisso");
    QCOMPARE(QFileInfo(dir_.filePath("FlFxd")).size(), qint64{412});

    test::Ctl<forms::Grid>(w, "grdInfoFldFix")->SetCellText(1, 1, "");
    test::Ctl<forms::Grid>(w, "grdInfoFldFix")->SetCellText(2, 1, "");
    OnDialog([](frmMessage& d) {
      d.cmbVariant->setEditText("Fisso");
      d.cmdOK->click();
    });
    test::Ctl<QPushButton>(w, "cmdImpDefFisso")->click();
    QCOMPARE(test::Ctl<forms::Grid>(w, "grdInfoFldFix")->CellText(1, 1), QString("1"));
    QCOMPARE(test::Ctl<forms::Grid>(w, "grdInfoFldFix")->CellText(2, 2), QString("10"));

    boxes.Expect(Text(519), kWarn).Expect(Text(403), kQuestion, kYes);
    OnDialog([](frmMessage& d) {
      d.cmdOK->click();  // empty name: told, and the dialog stays
      QVERIFY(d.isVisible());
      d.cmbVariant->setEditText("Fisso");
      d.cmdOK->click();
    });
    test::Ctl<QPushButton>(w, "cmdCancImpFisso")->click();
    QCOMPARE(QFileInfo(dir_.filePath("FlFxd")).size(), qint64{0});
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
  }

  // Qt's Yes/No and file dialog speak the wizard's language; German keeps Qt's English, as
  // its catalogue does.
  void qtButtonsAndDialogsSpeakTheWizardsLanguage() {
    QStringList english;
    for (int language : {lEnglish, lGerman, lItalian, lFrench, lSpanish}) {
      Settle(language);
      frmInterfaccia w;
      w.Form_Load(request_);
      QStringList shown;
      QTimer::singleShot(0, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        shown << box->button(QMessageBox::Yes)->text();
        box->button(QMessageBox::No)->click();
      });
      forms::MsgBox(Text(314), 36);
      QTimer::singleShot(0, [&shown] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        shown << dialog->findChild<QLabel*>("lookInLabel")->text();
        dialog->reject();
      });
      test::Ctl<QPushButton>(w, "cmdCercaFile")->click();
      QCOMPARE(shown.size(), 2);
      if (language == lEnglish) english = shown;
      if (language == lGerman) QCOMPARE(shown, english);
      if (language != lEnglish && language != lGerman) {
        QVERIFY(shown[0] != english[0] && shown[1] != english[1]);
      }
    }
  }

  void screenshots() {
    for (const auto& [language, code] :
         {std::pair{lItalian, "it"}, std::pair{lEnglish, "en"}, std::pair{lFrench, "fr"},
          std::pair{lGerman, "de"}, std::pair{lSpanish, "es"}}) {
      Settle(language);
      frmInterfaccia w;
      w.Form_Load(request_);
      w.show();
      test::Screenshot(w, QString("stage1-%1").arg(code));
      ToStage2(w, QStringLiteral(VANDREL_SAMPLES_DIR "/clienti.txt"), 0);
      Choose(w, ";", Text(10), "1");
      test::Screenshot(w, QString("stage2-delimited-%1").arg(code));
      // Shown once before stage 2 filled them, the number and date choices still show whole.
      for (const char* name : {"cmbDecimaleD", "cmbDateD"}) {
        QVERIFY2(test::ShowsItsItemsWhole(*test::Ctl<QComboBox>(w, name)), name);
      }
      specs::Append(dir_.path().toStdString(), "Clienti",
                    specs::DelimitedSpecRecord{"Clienti", ";", "{NONE}", 1});
      OnDialog([code = QString(code)](frmMessage& d) {
        d.cmbVariant->setCurrentIndex(0);
        QVERIFY(d.lblPrompt->isVisible() && !d.lblPrompt->text().isEmpty());
        test::Screenshot(d, "dialog-" + code);
        d.reject();
      });
      test::Ctl<QPushButton>(w, "cmdImpDefDel")->click();
      QFile::remove(dir_.filePath("FlDlmtd"));
    }
  }
};

QTEST_MAIN(WizardTest)
#include "wizard_test.moc"
