"""The control's properties, errors and shared settings from Python, the saved layouts, the
layout guess, and the module as `cmake --install` lays it out."""
import json
import os
import subprocess
import sys

import pytest

from conftest import missing, need, sample, sqlite_db

vandrel = need("vandrel")


def error_of(assign):
    with pytest.raises(vandrel.Error) as caught:
        assign()
    return caught.value


def test_refused_values_raise_the_controls_errors_and_change_nothing(ctl, tmp_path):
    db = sqlite_db(tmp_path / "a.db")
    ctl.MDBFile = db
    refused = [("FileType", 7), ("Encoding", "latin-9"), ("NumField", 0), ("OverWriteTab", 1),
               ("ImportFile", tmp_path / "missing.txt"), ("ImportFile", tmp_path),
               ("TabImport", "clienti"), ("MDBFile", tmp_path / "missing.db")]
    refused += [("DecimalSeparator", v) for v in ["", ";", " ,", ",,", "'"]]
    refused += [("DateOrder", v) for v in ["", "dmy", "DYM", "YMD ", "DM"]]
    for name, value in refused:
        before = getattr(ctl, name)
        e = error_of(lambda: setattr(ctl, name, value))
        assert (e.number, e.source) == (380, "Vandrel"), (name, value)
        assert getattr(ctl, name) == before, name
    e = error_of(lambda: setattr(ctl, "TabImport", "clienti"))
    assert e.description.startswith("La tabella passata come TabImport non esiste nel database")
    e = error_of(lambda: setattr(ctl, "MDBFile", str(tmp_path / "missing.db")))
    assert e.description.startswith("3024 The database file ")
    assert str(e).startswith("380: 3024 ")
    e = error_of(lambda: setattr(ctl, "MDBPassword", "PWD=x") or setattr(ctl, "MDBFile", db))
    assert e.description.startswith("3001 ")
    assert error_of(lambda: setattr(ctl, "Action", 5)).number == 380
    assert error_of(lambda: setattr(ctl, "NumField", 40000)).number == 6
    assert error_of(lambda: ctl.info_field(0, 0)).number == 9


@pytest.mark.parametrize("name, value", [
    ("MDBFile", 3), ("TabImport", None), ("Encoding", b"utf-8"), ("FileType", "0"),
    ("FileType", 1.0), ("NumField", True), ("AsktoAppend", 1), ("OverWriteTab", "yes"),
    ("Language", None), ("InfoField", "Codice|Codice"), ("InfoField", [3]),
    ("InfoField", [{"Field": "x"}]), ("InfoField", [("a", 2.5)]), ("progress", 5)])
def test_values_of_the_wrong_python_type_raise_type_error(ctl, name, value):
    with pytest.raises(TypeError):
        setattr(ctl, name, value)


def test_settings_are_one_block_for_every_control(ctl):
    other = vandrel.Control()
    ctl.Language, ctl.OverWriteTab, ctl.Encoding = vandrel.Language.French, True, "UTF-8"
    assert (other.Language, other.OverWriteTab, other.Encoding) == (3, True, "utf-8")
    assert other.Language is vandrel.Language.French
    assert ctl.ImportResult is vandrel.Result.Abort


def test_info_field_rows_go_in_as_tuples_or_dicts_and_come_back_whole(ctl):
    ctl.InfoField = [("Codice", "Codice", True, None, False, 0),
                     {"FieldName": "Nome", "NewColumnName": "Alias"}, ["Città"]]
    assert ctl.NumField == 2
    assert ctl.InfoField == [("Codice", "Codice", "1", "", "0", "0", "", ""),
                             ("Nome", "", "", "", "", "", "", "Alias"),
                             ("Città", "", "", "", "", "", "", "")]
    ctl.set_info_field(2, 5, 4)
    assert ctl.info_field(2, 5) == "4"
    ctl.InfoField = [("only",)]  # one row still makes a matrix of two
    assert ctl.NumField == 1 and ctl.InfoField[1] == ("",) * 8
    e = error_of(lambda: setattr(ctl, "InfoField", [tuple("abcdefghi")]))
    assert e.number == 380 and ctl.InfoField[0][0] == "only"
    assert error_of(lambda: ctl.set_info_field(2, 0, "x")).number == 380


def test_saved_layouts_as_the_command_line_keeps_them(ctl, cli):
    fixed = vandrel.show_spec("ClientiFissi", "fixed")
    assert fixed == {"name": "ClientiFissi", "kind": "fixed", "separator": "{NESSUNO}",
                     "delimiter": "{NESSUNO}", "skip": 0, "columns": "1-4,5-24,25-34,35-44,45-52"}
    assert vandrel.add_spec(**{**fixed, "name": " Copia "}) == "Copia"  # show_spec gives add_spec
    assert vandrel.add_spec(**{**fixed, "name": "Copia"}) is None  # taken
    listed = cli("specs", "list", "--kind", "fixed", "--specs-dir", vandrel.application_folder())
    assert listed.stdout == "ClientiFissi\nCopia\n"
    vandrel.delete_spec("Copia", "fixed")
    assert vandrel.list_specs("fixed") == ["ClientiFissi"]
    for bad in [{"columns": "1-4,9-5"}, {"columns": None}, {"skip": 40000}, {"name": "x" * 21}]:
        assert error_of(lambda: vandrel.add_spec(**{**fixed, **bad})).number == 5
    with pytest.raises(KeyError):
        vandrel.show_spec("Copia", "fixed")
    with pytest.raises(ValueError):
        vandrel.list_specs("csv")


def test_the_guess_is_the_one_sniff_prints(ctl, cli, tmp_path):
    ctl.ImportFile = sample("clienti.txt")
    sniffed = cli("sniff", sample("clienti.txt"), "--json")
    assert ctl.guess_layout() == json.loads(sniffed.stdout)
    ctl.MDBFile = sqlite_db(tmp_path / "g.db")
    ctl.InfoField = [("Codice", "Codice"), ("Citta", "Citta"), ("Nome", "Nome")]
    assert ctl.associate_by_header() == {"matched": ["Codice", "Città", "Nome"],
                                         "unmatched": ["Nato il", "Saldo"]}
    assert [row[5] for row in ctl.InfoField] == ["0", "2", "1"]


def test_an_installed_prefix_imports_the_module(tmp_path):
    build, where = os.environ.get("VANDREL_BUILD_DIR"), os.environ.get("VANDREL_PYTHON_INSTALL_DIR")
    if not build or not where:
        missing("VANDREL_BUILD_DIR and VANDREL_PYTHON_INSTALL_DIR are set by ctest")
    subprocess.run(["cmake", "--install", build, "--prefix", tmp_path, "--component", "python"],
                   check=True, capture_output=True)
    site = tmp_path / where
    assert sorted(p.suffix for p in site.iterdir()) == [".pyi", ".so"]
    run = subprocess.run([sys.executable, "-c", "import vandrel; print(vandrel.__file__)"],
                         env={**os.environ, "PYTHONPATH": str(site)}, capture_output=True, text=True)
    assert run.stdout.startswith(str(site)), run.stderr
