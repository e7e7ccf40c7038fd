// The wizard as a user meets it: where the focus goes, what the labels say about their boxes,
// Qt's own buttons and dialogs in the wizard's language, how the grids show their data, and an
// import that can be watched and cancelled. Driven through the real widgets, offscreen.
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include "control/settings.h"
#include "forms/forms.h"
#include "test_support.h"
#include "vandrel/app_folder.h"
#include "vandrel/catalogue.h"
#include "vandrel/import_stats.h"
#include "vandrel/spec_files.h"
#include "vandrel/vandrel_ctl.h"
#include "wizard/frm_interfaccia.h"
#include "wizard/frm_message.h"
#include "wizard_support.h"

using namespace vandrel;
using forms::Text;
using test::Ctl;
using test::ScriptedBoxes;
using Rows = std::vector<std::vector<std::string>>;

namespace {

constexpr int kQuestion = 36, kWarn = 48, kYes = 6;
const QString kSamples = QStringLiteral(VANDREL_SAMPLES_DIR);

const std::vector<std::pair<int, QString>> kLanguages{
    {lItalian, "it"}, {lEnglish, "en"}, {lFrench, "fr"}, {lGerman, "de"}, {lSpanish, "es"}};

void ClickCell(forms::Grid& grid, int row, int col) {
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                    grid.visualItemRect(grid.item(row, col)).center());
}

// Runs `act` on the modal window that the next step shows (a message box, the file dialog,
// the layout dialog), once it is up.
void OnModal(std::function<void(QWidget&)> act) {
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [act, poll] {
    if (QWidget* modal = QApplication::activeModalWidget();
        modal && !qobject_cast<frmInterfaccia*>(modal)) {
      act(*modal);
      return;
    }
    QTimer::singleShot(5, *poll);
  };
  QTimer::singleShot(0, *poll);
}

}  // namespace

class UsabilityTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string db_;

  // Clienti (with one row already) and Errori with the columns that keep a failing line;
  // field rows Codice (required), Nome (new name or constant allowed), Città.
  void Settle(int language) {
    settings() = Settings{};
    db_ = dir_.filePath("usability.db").toStdString();
    QFile::remove(QString::fromStdString(db_));
    test::RunSql(db_,
                 "CREATE TABLE Clienti(Codice INTEGER PRIMARY KEY, Nome VARCHAR(30), Citta TEXT);"
                 "INSERT INTO Clienti VALUES (0, 'kept', 'Roma');"
                 "CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT,"
                 " TestoRiga TEXT, NomeColonna VARCHAR(64));");
    VandrelCtl ctl;
    ctl.setLanguage(language);
    ctl.setMDBFile(db_);
    ctl.setTabImport("Clienti");
    ctl.setTabError("Errori");
    ctl.setNumField(2);
    const char* rows[3][5] = {{"Codice", "Codice", "1", "", ""},
                              {"Nome", "Nome", "", "1", "1"},
                              {"Città", "Citta", "", "", ""}};
    for (std::int16_t x = 0; x < 3; ++x) {
      for (std::int16_t y = 0; y < 5; ++y) ctl.setInfoField(x, y, rows[x][y]);
    }
    SetApplicationFolder(dir_.path().toStdString());
  }

  static void Open(frmInterfaccia& w) {
    w.Form_Load();
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
  }

  static void ToStage2(frmInterfaccia& w, const QString& file, int type) {
    Open(w);
    Ctl<QLineEdit>(w, "txtNomeFile")->setText(file);
    Ctl<QComboBox>(w, "cmbTipoFonte")->setCurrentIndex(type);
    Ctl<QPushButton>(w, "CmdAvanti")->click();
  }

  static void ToStage3(frmInterfaccia& w, const QString& file) {
    ToStage2(w, file, 0);
    Ctl<QComboBox>(w, "DelimCampoD")->setEditText(";");
    Ctl<QComboBox>(w, "SaltaRigheD")->setEditText("1");
    Ctl<QPushButton>(w, "CAvantiD")->click();
    QCOMPARE(w.CurrentPanel(), QString("pnlFase3di3"));
  }

  Rows Query(const std::string& sql) const { return test::Query(db_, sql); }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }
  void cleanup() {
    SetApplicationFolder({});
    forms::SetMessageBoxHandler(nullptr);
  }

  // A blank typed as the fixed-width text delimiter is refused on stage 2: the import that
  // would empty the tables and then fail cannot be reached, and the table keeps its rows.
  void aBlankFixedSeparatorNeverReachesTheImport() {
    Settle(lEnglish);
    settings().AsktoAppend = false;
    settings().OverWriteTab = true;
    frmInterfaccia w;
    ToStage2(w, kSamples + "/clienti_fisso.txt", 1);
    auto& limits = *Ctl<forms::Grid>(w, "grdInfoFldFix");
    limits.SetCellText(1, 1, "1");
    limits.SetCellText(1, 2, "4");
    Ctl<QComboBox>(w, "ComboDelimTesto")->setEditText(" ");
    ScriptedBoxes boxes;
    boxes.Expect(Text(217), kWarn);
    QTest::mouseClick(Ctl<QPushButton>(w, "ComAvanti"), Qt::LeftButton);
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
    QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Fisso"));
    QCOMPARE(Query("SELECT Codice, Nome FROM Clienti"), (Rows{{"0", "kept"}}));
  }

  // Each panel shown takes the focus to its first control, so what the user types goes
  // where they see it; the labels of the new-name and constant boxes follow their boxes,
  // also when the wizard is opened again.
  void focusAndLabelsFollowWhatIsShown() {
    Settle(lEnglish);
    frmInterfaccia w;
    Open(w);
    auto* name = Ctl<QLineEdit>(w, "txtNomeFile");
    QCOMPARE(QApplication::focusWidget(), name);
    name->setText(kSamples + "/clienti.txt");
    Ctl<QComboBox>(w, "cmbTipoFonte")->setCurrentIndex(0);
    QTest::keyClick(name, Qt::Key_Return);
    QCOMPARE(w.CurrentPanel(), QString("pnlFase2di3Del"));
    auto* separator = Ctl<QComboBox>(w, "DelimCampoD");
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus == separator || separator->isAncestorOf(focus));
    separator->lineEdit()->clear();
    QTest::keyClicks(focus, ";");
    QCOMPARE(separator->currentText(), QString(";"));
    QCOMPARE(name->text(), kSamples + "/clienti.txt");
    Ctl<QComboBox>(w, "SaltaRigheD")->setEditText("1");
    Ctl<QPushButton>(w, "CAvantiD")->click();
    QCOMPARE(QApplication::focusWidget(), Ctl<QComboBox>(w, "cmbNomeCampo"));

    auto* label13 = Ctl<QLabel>(w, "Label13");
    auto* label10 = Ctl<QLabel>(w, "Label10");
    Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentText("Nome");
    QVERIFY(label13->isEnabled() && label10->isEnabled());
    Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentText("Codice");
    QVERIFY(!label13->isEnabled() && !label10->isEnabled());
    Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentText("Nome");
    Ctl<QPushButton>(w, "Command3")->click();  // Cancel, then the wizard opened again
    ToStage3(w, kSamples + "/clienti.txt");
    for (const char* box : {"txtNmFldUtente", "txtValoreCost"}) {
      QVERIFY(!Ctl<QLineEdit>(w, box)->isEnabled());
    }
    QVERIFY(!label13->isEnabled() && !label10->isEnabled());
    QCOMPARE(QApplication::focusWidget(), Ctl<QComboBox>(w, "cmbNomeCampo"));
  }

  // Yes/No and the file dialog speak the wizard's language; German keeps Qt's English, as
  // its catalogue does.
  void qtButtonsAndDialogsSpeakTheWizardsLanguage() {
    QString englishYes, englishLookIn;
    for (const auto& [language, code] : kLanguages) {
      Settle(language);
      frmInterfaccia w;
      Open(w);
      QString yes, lookIn;
      OnModal([&yes](QWidget& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        QVERIFY(box);
        yes = box->button(QMessageBox::Yes)->text();
        box->button(QMessageBox::No)->click();
      });
      QCOMPARE(forms::MsgBox(Text(314), kQuestion), 7);
      OnModal([&lookIn, code = code](QWidget& modal) {
        auto* dialog = qobject_cast<QFileDialog*>(&modal);
        QVERIFY(dialog);
        lookIn = dialog->findChild<QLabel*>("lookInLabel")->text();
        test::Screenshot(*dialog, "file-dialog-" + code);
        dialog->reject();
      });
      QTest::mouseClick(Ctl<QPushButton>(w, "cmdCercaFile"), Qt::LeftButton);
      QVERIFY(!yes.isEmpty() && !lookIn.isEmpty());
      if (language == lEnglish) {
        englishYes = yes;
        englishLookIn = lookIn;
      } else if (language == lGerman) {
        QCOMPARE(yes, englishYes);
        QCOMPARE(lookIn, englishLookIn);
      } else {
        QVERIFY2(yes != QLatin1String("&Yes") && lookIn != QLatin1String("Look in:"),
                 qPrintable(code + ": " + yes + " / " + lookIn));
      }
    }
  }

  // Stage 3's preview: numbered columns as the Column box counts them, sized to their text,
  // the column of the selected field marked, no cell chosen before the user clicks. The
  // fixed-width limits keep their heading in view; the separator boxes show every token
  // whole; the layout dialog says what it asks for.
  void gridsAndBoxesShowTheirData() {
    for (const auto& [language, code] : kLanguages) {
      Settle(language);
      frmInterfaccia w;
      ToStage3(w, kSamples + "/clienti.txt");
      auto& grid = *Ctl<forms::Grid>(w, "grdPreview");
      QVERIFY(grid.horizontalHeader()->isVisible());
      for (int c = 0; c < grid.Cols(); ++c) {
        QCOMPARE(grid.model()->headerData(c, Qt::Horizontal).toString(), QString::number(c + 1));
      }
      QCOMPARE(grid.horizontalScrollBar()->maximum(), 0);  // six short fields fit
      QVERIFY(!grid.currentIndex().isValid());
      QVERIFY(grid.selectedItems().isEmpty());
      Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentText("Nome");
      ClickCell(grid, 0, 2);
      QCOMPARE(Ctl<QLineEdit>(w, "txtColAssociata")->text(), QString("3"));
      auto bold = [&grid](int c) {
        return grid.model()->headerData(c, Qt::Horizontal, Qt::FontRole).value<QFont>().bold();
      };
      QVERIFY(bold(2) && !bold(1));
      QVERIFY(grid.item(3, 2)->background() != grid.item(3, 1)->background());
      test::Screenshot(w, "stage3-" + code);
      Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentText("Codice");  // no column yet
      QVERIFY(!bold(2));
      QCOMPARE(grid.item(3, 2)->background(), grid.item(3, 1)->background());

      Ctl<QPushButton>(w, "Command3")->click();
      ToStage2(w, kSamples + "/clienti_fisso.txt", 1);
      auto& limits = *Ctl<forms::Grid>(w, "grdInfoFldFix");
      for (int r = 1; r <= 5; ++r) {
        limits.SetCellText(r, 1, QString::number(r * 10 - 9));
        limits.SetCellText(r, 2, QString::number(r * 10));
      }
      test::Screenshot(w, "stage2-fixed-" + code);
      QVERIFY(limits.horizontalHeader()->isVisible());
      QCOMPARE(limits.model()->headerData(1, Qt::Horizontal).toString(), Text(12));
      QVERIFY(limits.rowAt(limits.viewport()->height() - 1) > 5 ||
              limits.rowAt(limits.viewport()->height() - 1) == -1);
      limits.SetRows(40);
      limits.scrollToBottom();
      QVERIFY(limits.horizontalHeader()->isVisible());
      QVERIFY(limits.verticalScrollBar()->value() > 0);
      for (const char* name : {"ComboCharDeli", "ComboDelimTesto"}) {
        auto* combo = Ctl<QComboBox>(w, name);
        for (int token : {kTokenNone, kTokenSpace, kTokenTab}) {
          for (int other = 1; other <= 5; ++other) {
            const QString text = QString::fromStdString(LoadResString(other * 1000 + token));
            combo->setEditText(text);
            QVERIFY2(combo->lineEdit()->width() >
                         combo->lineEdit()->fontMetrics().horizontalAdvance(text),
                     qPrintable(code + " " + name + " " + text));
          }
        }
      }

      QStringList prompts;
      for (const char* mode : {"SaveFix", "LoadFix"}) {
        if (QLatin1String(mode) == QLatin1String("LoadFix")) {
          specs::FixedSpecRecord saved{"Clienti", "{TAB}", "{NONE}", 0, {}, {}};
          saved.FieldBegin[0] = "1";
          saved.FieldEnd[0] = "4";
          specs::Append(dir_.path().toStdString(), "Clienti", saved);
        }
        OnModal([&prompts, code = code, mode](QWidget& modal) {
          auto* dialog = qobject_cast<frmMessage*>(&modal);
          QVERIFY(dialog);
          prompts << dialog->lblPrompt->text();
          QVERIFY(dialog->lblPrompt->isVisible());
          test::Screenshot(*dialog, QString("dialog-%1-%2").arg(mode, code));
          dialog->reject();
        });
        PreLoadFrmMessage(w, mode);
      }
      QFile::remove(dir_.filePath("FlFxd"));
      QCOMPARE(prompts.size(), 2);
      QVERIFY(!prompts[0].isEmpty() && !prompts[1].isEmpty() && prompts[0] != prompts[1]);
    }
  }

  // A long import shows its progress while the window keeps answering; Cancel stops it at a
  // line before which everything is stored, says where, and the wizard closes with Abort.
  void cancelStopsALongImportAtALine() {
    Settle(lItalian);
    QByteArray text = "Codice;Nome;Citta\n";
    for (int i = 1; i <= 400000; ++i) text += QByteArray::number(i) + ";Nome;Roma\n";
    const QString file = test::WriteText(dir_, "lungo.txt", text);
    frmInterfaccia w;
    ToStage3(w, file);
    Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentText("Codice");
    ClickCell(*Ctl<forms::Grid>(w, "grdPreview"), 0, 0);
    settings().AsktoAppend = false;

    QStringList messages;
    forms::SetMessageBoxHandler(
        [&messages](const QString& prompt, int style, const QString&, const QString&) {
          if (style == kQuestion) return kYes;
          messages << prompt;
          return 1;
        });
    auto* bar = Ctl<QProgressBar>(w, "prgImport");
    QVERIFY(!bar->isVisible());
    int shown = -1;
    bool othersWaited = false;
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [&, poll] {
      if (bar->isVisible() && bar->value() > 0) {
        shown = bar->value();
        test::Screenshot(w, "stage3-importing-it");
        othersWaited = !Ctl<QPushButton>(w, "Command4")->isEnabled() &&
                       !Ctl<QPushButton>(w, "Command2")->isEnabled();
        QTest::mouseClick(Ctl<QPushButton>(w, "Command3"), Qt::LeftButton);
        return;
      }
      QTimer::singleShot(1, *poll);
    };
    QTimer::singleShot(0, *poll);
    Ctl<QPushButton>(w, "Command4")->click();

    QVERIFY2(shown > 0, "the progress bar moved while the import ran");
    QVERIFY(othersWaited);
    QCOMPARE(settings().ImportResult, std::int32_t{4});
    QCOMPARE(w.result(), int(QDialog::Rejected));
    const std::optional<std::int64_t> stop = VandrelCtl().LastImportStoppedAt();
    QVERIFY(stop && *stop > 1 && *stop <= 400000);
    const std::string before = std::to_string(*stop - 1);
    QCOMPARE(Query("SELECT count(*), max(Codice) FROM Clienti WHERE Codice <> 0"),
             (Rows{{before, before}}));
    QCOMPARE(messages, QStringList{Text(621)
                                       .replace("%1", QString::number(*stop))
                                       .replace("%2", QString::fromStdString(before))
                                       .replace("%3", "0")});
  }

  // The wizard's failing lines keep their text and the refused column in the error table.
  void wizardErrorRowsKeepTheLine() {
    Settle(lEnglish);
    const QString file = test::WriteText(dir_, "errori.txt",
                                         "Codice;Nome;Citta\r\n"
                                         "1;Anna;Forl\xC3\xAC\r\n"
                                         "x;Bruno;Roma\r\n"
                                         "0;Carla;Bari\r\n");
    frmInterfaccia w;
    ToStage3(w, file);
    for (int c = 0; c < 3; ++c) {
      Ctl<QComboBox>(w, "cmbNomeCampo")->setCurrentIndex(c + 1);
      ClickCell(*Ctl<forms::Grid>(w, "grdPreview"), 0, c);
    }
    // A host's progress handler is still called where the host's widgets live.
    int calls = 0, elsewhere = 0;
    SetImportProgressHandler([&](const ImportStats&) {
      ++calls;
      if (QThread::currentThread() != qApp->thread()) ++elsewhere;
    });
    ScriptedBoxes boxes;
    boxes.Expect(Text(314), kQuestion, kYes).Expect(Text(312) + "\r\n" + Text(313), kQuestion, 7);
    Ctl<QPushButton>(w, "Command4")->click();
    SetImportProgressHandler(nullptr);
    QVERIFY(calls > 0);
    QCOMPARE(elsewhere, 0);
    QVERIFY2(boxes.Problems().isEmpty(), qPrintable(boxes.Problems()));
    QCOMPARE(settings().ImportResult, std::int32_t{3});
    QCOMPARE(Query("SELECT NumRiga, TestoRiga, NomeColonna FROM Errori ORDER BY NumRiga"),
             (Rows{{"2", "x;Bruno;Roma", "Codice"}, {"3", "0;Carla;Bari", "Codice"}}));
  }

  void screenshotsOfTheOtherStages() {
    for (const auto& [language, code] : kLanguages) {
      Settle(language);
      frmInterfaccia w;
      Open(w);
      test::Screenshot(w, "stage1-" + code);
      ToStage2(w, kSamples + "/clienti.txt", 0);
      Ctl<QComboBox>(w, "DelimCampoD")->setEditText(";");
      Ctl<QComboBox>(w, "SaltaRigheD")->setEditText("1");
      test::Screenshot(w, "stage2-delimited-" + code);
    }
  }
};

QTEST_MAIN(UsabilityTest)
#include "usability_test.moc"
