"""The wizard inside a PyQt6 application: opened from a button of the application's own window,
driven from stage 1 to stage 3 with QTest through PyQt6's bindings, it imports and closes with
the result."""
import pytest

from conftest import need, sample, sqlite_db, sqlite_rows

vandrel = need("vandrel")
QtWidgets = need("PyQt6.QtWidgets")
from PyQt6.QtCore import Qt, QTimer  # noqa: E402
from PyQt6.QtTest import QTest  # noqa: E402
from PyQt6.QtWidgets import (QApplication, QComboBox, QLineEdit, QMessageBox,  # noqa: E402
                             QPushButton, QTableWidget)


@pytest.fixture(scope="module")
def app():
    return QApplication.instance() or QApplication(["vandrel-tests"])


def answer_message_boxes():
    """Answers every message box that opens (Yes, or OK) until stopped."""
    def answer():
        box = QApplication.activeModalWidget()
        if isinstance(box, QMessageBox):
            (box.button(QMessageBox.StandardButton.Yes)
             or box.button(QMessageBox.StandardButton.Ok)).click()
    timer = QTimer()
    timer.timeout.connect(answer)
    timer.start(50)
    return timer


def drive(wizard, file):
    """Stage 1: the file typed, delimited text; stage 2: ';' and one line skipped; stage 3:
    Codice, Nome and Città to the first three columns; then Import."""
    find = wizard.findChild
    QTest.keyClicks(find(QLineEdit, "txtNomeFile"), file)
    find(QComboBox, "cmbTipoFonte").setCurrentIndex(0)
    QTest.mouseClick(find(QPushButton, "CmdAvanti"), Qt.MouseButton.LeftButton)
    find(QComboBox, "DelimCampoD").setEditText(";")
    find(QComboBox, "SaltaRigheD").setEditText("1")
    QTest.mouseClick(find(QPushButton, "CAvantiD"), Qt.MouseButton.LeftButton)
    grid = find(QTableWidget, "grdPreview")
    for column, field in enumerate(["Codice", "Nome", "Città"]):
        find(QComboBox, "cmbNomeCampo").setCurrentText(field)
        cell = grid.visualItemRect(grid.item(0, column)).center()
        QTest.mouseClick(grid.viewport(), Qt.MouseButton.LeftButton, Qt.KeyboardModifier(0), cell)
    QTest.mouseClick(find(QPushButton, "Command4"), Qt.MouseButton.LeftButton)


def test_a_pyqt_window_opens_the_wizard_which_imports_and_closes(app, ctl, tmp_path):
    db = sqlite_db(tmp_path / "wizard.db")
    ctl.MDBFile, ctl.TabImport, ctl.TabError = db, "Clienti", "Errori"
    ctl.Language = vandrel.Language.English
    ctl.InfoField = [("Codice", "Codice", 1), ("Nome", "Nome", 1), ("Città", "Citta"),
                     ("Nato il", "Nato"), ("Saldo", "Saldo")]
    seen, failures = {}, []

    def in_the_wizard():
        wizard = QApplication.activeModalWidget()
        try:
            seen["name"], seen["parent"] = wizard.objectName(), wizard.parentWidget()
            drive(wizard, sample("clienti.txt"))
        except BaseException as e:  # a slot must not raise: PyQt6 would abort the process
            failures.append(e)
            wizard.reject()

    def open_wizard():
        QTimer.singleShot(0, in_the_wizard)
        ctl.Action = vandrel.Action.ShowInterface
        seen["result"] = ctl.ImportResult

    window = QtWidgets.QMainWindow()
    button = QPushButton("Import...", window)
    button.clicked.connect(open_wizard)
    window.setCentralWidget(button)
    window.show()
    window.activateWindow()
    assert QTest.qWaitForWindowActive(window)
    boxes = answer_message_boxes()
    QTest.mouseClick(button, Qt.MouseButton.LeftButton)
    boxes.stop()
    if failures:
        raise failures[0]
    assert seen == {"name": "frmInterfaccia", "parent": window, "result": vandrel.Result.SError}

    # "Nato il" and "Saldo" went to their columns by the header's names: the impossible date
    # and the amount "abc" are logged with the second Codice 3; the line of six fields is
    # stored, as the preview shows six columns.
    assert sqlite_rows(db, "SELECT Codice, Nome, Citta FROM Clienti ORDER BY Codice") == [
        (1, "Anna Bianchi", "Forlì"), (3, "Carla Dè Santis", "Roma"), (4, "Elena Fabbri", "Torino"),
        (6, "Giulia Neri", "Palermo")]
    assert sqlite_rows(db, "SELECT NumRiga, CodErr FROM Errori") == [(2, 3421), (4, 3022), (6, 3421)]
    window.close()
