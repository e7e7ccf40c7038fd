"""The silent import from Python: the same rows and error rows as the command-line host, into
SQLite and PostgreSQL; and every way to stop it keeps a committed prefix."""
import os
import re
import signal
import threading
import time

import pytest

from conftest import FIELDS, need, sample, sqlite_db, sqlite_rows

vandrel = need("vandrel")

CASES = {"delimited": ("clienti.txt", vandrel.FileType.Delimited, "Clienti"),
         "fixed": ("clienti_fisso.txt", vandrel.FileType.FixedWidth, "clientifissi")}


def import_silently(ctl, db, table, errors, case, connect=""):
    file, kind, spec = CASES[case]
    ctl.MDBPassword = connect
    ctl.MDBFile = db
    ctl.TabImport, ctl.TabError = table, errors
    ctl.FileType, ctl.ImportFile, ctl.SpecificationName = kind, sample(file), spec
    ctl.Language = vandrel.Language.English
    ctl.InfoField = [tuple(f.split("|")) for f in FIELDS]
    ctl.Action = vandrel.Action.Background
    return ctl.ImportResult


def cli_import(cli, ctl, db, table, errors, case, connect=""):
    file, _, spec = CASES[case]
    fields = [a for f in FIELDS for a in ("--field", f)]
    return cli("import", "--db", db, "--table", table, "--errors", errors, "--file", sample(file),
               "--type", case, "--spec", spec, "--language", "en",
               "--specs-dir", vandrel.application_folder(), "--connect", connect, *fields)


PG_TABLES = """CREATE TABLE clienti(codice integer PRIMARY KEY, nome varchar(30) NOT NULL,
                                   citta varchar(20), nato date, saldo numeric(10,2));
               CREATE TABLE errori(numriga integer, coderr integer, msgerr varchar(255));"""


@pytest.mark.parametrize("store", ["sqlite", "postgres"])
@pytest.mark.parametrize("case", CASES)
def test_rows_and_error_rows_are_the_clis(ctl, cli, tmp_path, request, store, case):
    if store == "sqlite":
        ours, theirs = sqlite_db(tmp_path / "py.db"), sqlite_db(tmp_path / "cli.db")
        rows, tables, connect = sqlite_rows, ("Clienti", "Errori"), ""
    else:
        pg = request.getfixturevalue("pg")
        ours, theirs = pg.database(PG_TABLES), pg.database(PG_TABLES)
        rows, tables, connect = pg.query, ("clienti", "errori"), pg.connect
    assert import_silently(ctl, ours, *tables, case, connect) == vandrel.Result.SError
    run = cli_import(cli, ctl, theirs, *tables, case, connect)
    assert run.returncode == 3, run.stderr
    for sql in ("SELECT * FROM clienti ORDER BY codice",
                "SELECT * FROM errori ORDER BY numriga, coderr"):
        assert rows(ours, sql) == rows(theirs, sql)
    stats = ctl.last_import_stats
    counts = re.search(r"(\d+) rows? stored, (\d+) lines? logged", run.stdout).groups()
    assert (stats.rows_stored, stats.error_rows) == tuple(map(int, counts))
    assert ctl.last_import_error is None and ctl.last_import_stopped_at is None


def test_a_layout_given_imports_as_the_saved_one(ctl, tmp_path):
    saved, given = sqlite_db(tmp_path / "saved.db"), sqlite_db(tmp_path / "given.db")
    import_silently(ctl, saved, "Clienti", "Errori", "delimited")
    ctl.MDBFile, ctl.TabImport, ctl.TabError = given, "Clienti", "Errori"
    ctl.import_with_layout("delimited", separator=";", delimiter="{NONE}", skip=1)
    assert ctl.ImportResult == vandrel.Result.SError
    sql = "SELECT * FROM Clienti UNION ALL SELECT NumRiga, CodErr, MsgErr, 0, 0 FROM Errori"
    assert sqlite_rows(given, sql) == sqlite_rows(saved, sql)


LINES = 40000


@pytest.fixture
def numbers(ctl, tmp_path):
    """A control set to import LINES numbered lines into a table of their own."""
    text = tmp_path / "numbers.txt"
    text.write_text("".join(f"{i};name {i}\n" for i in range(1, LINES + 1)))
    db = sqlite_db(tmp_path / "n.db", "CREATE TABLE N(id INTEGER PRIMARY KEY, name TEXT);"
                                      "CREATE TABLE E(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT);")
    vandrel.add_spec("N", kind="delimited", separator=";", delimiter="{NONE}", skip=0)
    ctl.MDBFile, ctl.TabImport, ctl.TabError = db, "N", "E"
    ctl.FileType, ctl.ImportFile, ctl.SpecificationName = 0, text, "N"
    ctl.InfoField = [("id", "id", 1, 0, 0, 0), ("name", "name", 0, 0, 0, 1)]
    return db, os.path.getsize(text)


def test_progress_is_reported_a_few_times_a_second_and_at_the_end(ctl, numbers):
    db, size = numbers
    calls = []
    ctl.progress = lambda done, total: calls.append((time.monotonic(), done, total))
    start = time.monotonic()
    ctl.Action = 1
    elapsed = time.monotonic() - start
    assert ctl.ImportResult == vandrel.Result.Success
    assert sqlite_rows(db, "SELECT count(*) FROM N") == [(LINES,)]
    assert calls[-1][1:] == (size, size)
    assert all(0 < done <= total == size for _, done, total in calls)
    assert len(calls) <= 2 + elapsed * 4
    assert all(b[0] - a[0] >= 0.2 for a, b in zip(calls, calls[1:-1]))


class Stop(Exception):
    pass


def test_a_callback_raising_at_the_last_report_stops_no_later_import(ctl, numbers):
    db, size = numbers
    def on_progress(done, total):
        if done == total:
            raise Stop("at the end")
    ctl.progress = on_progress
    with pytest.raises(Stop):
        ctl.Action = 1
    ctl.progress, ctl.OverWriteTab = None, True
    ctl.Action = 1
    assert ctl.ImportResult == vandrel.Result.Success
    assert sqlite_rows(db, "SELECT count(*) FROM N") == [(LINES,)]


def stop_by(how):
    """A progress callable that stops the import at its first report, and what it raises."""
    stopped = threading.Event()
    if how == "thread":
        def cancel_when_reported():
            if reported.wait(10):
                vandrel.Control.cancel()
            stopped.set()
        reported = threading.Event()
        threading.Thread(target=cancel_when_reported, daemon=True).start()

        def on_progress(done, total):
            reported.set()
            stopped.wait(10)  # the import goes on only once the request is in
        return on_progress, None

    def on_progress(done, total):
        if how == "exception":
            raise Stop("from the callback")
        if not stopped.is_set():
            stopped.set()
            os.kill(os.getpid(), signal.SIGINT)
    return on_progress, Stop if how == "exception" else KeyboardInterrupt


@pytest.mark.parametrize("how", ["thread", "exception", "sigint"])
def test_a_stopped_import_keeps_a_committed_prefix(ctl, numbers, how):
    db, _ = numbers
    ctl.progress, raised = stop_by(how)
    if raised:
        with pytest.raises(raised):
            ctl.Action = 1
    else:
        ctl.Action = 1
    assert ctl.ImportResult == vandrel.Result.Abort
    count, highest = sqlite_rows(db, "SELECT count(*), max(id) FROM N")[0]
    assert 0 < count < LINES and (highest or 0) == count
    assert ctl.last_import_stats.rows_stored == count
    assert ctl.last_import_stopped_at == count + 1
    # The request was used up: the next import runs to its end.
    ctl.progress, ctl.OverWriteTab = None, True
    ctl.Action = 1
    assert sqlite_rows(db, "SELECT count(*) FROM N") == [(LINES,)]
