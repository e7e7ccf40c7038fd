"""What the Python module's tests share: the module (skipped without it, failed when CI is set),
a control over fresh SQLite tables with the sample layouts saved, the command-line host to
compare with, and a throwaway PostgreSQL server like the C++ tests' own."""
import glob
import importlib
import os
import shutil
import sqlite3
import subprocess
import tempfile

import pytest

SAMPLES = os.path.join(os.path.dirname(__file__), "..", "..", "data", "samples")
TABLES = """CREATE TABLE Clienti(Codice INTEGER PRIMARY KEY, Nome VARCHAR(30) NOT NULL,
              Citta VARCHAR(20), Nato DATE, Saldo DECIMAL(10,2));
            CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT);"""
FIELDS = ["Codice|Codice|1|||0", "Nome|Nome|1|||1", "Città|Citta||||2", "Nato il|Nato||||3",
          "Saldo|Saldo||||4"]


def missing(why):
    if os.environ.get("CI"):
        pytest.fail(why, pytrace=False)
    pytest.skip(why, allow_module_level=True)


def need(what, why="install Debian's packages: scripts/setup"):
    """The module named, else the test skipped (failed when CI is set)."""
    try:
        return importlib.import_module(what)
    except ImportError as e:
        missing(f"{what} cannot be imported ({e}): {why}")


def sample(name):
    return os.path.abspath(os.path.join(SAMPLES, name))


def sqlite_db(path, tables=TABLES):
    with sqlite3.connect(path) as db:
        db.executescript(tables)
    return str(path)


def sqlite_rows(path, sql):
    with sqlite3.connect(path) as db:
        return db.execute(sql).fetchall()


@pytest.fixture
def cli():
    """Runs `vandrel` (the build's) with the arguments given; returns the finished process."""
    program = os.environ.get("VANDREL_CLI")
    if not program:
        missing("VANDREL_CLI does not name the command-line host (ctest sets it)")

    def run(*args):
        return subprocess.run([program, *args], capture_output=True, text=True)
    return run


@pytest.fixture
def ctl(tmp_path):
    """A control reset to its defaults, its layouts in the test's folder: Clienti (';', one line
    skipped) and ClientiFissi (fixed width), as the demo saves them."""
    vandrel = need("vandrel")
    c = vandrel.Control()
    c.init_properties()
    c.progress = None
    layouts = tmp_path / "layouts"
    layouts.mkdir()
    vandrel.set_application_folder(layouts)
    vandrel.add_spec("Clienti", kind="delimited", separator=";", delimiter="{NONE}", skip=1)
    vandrel.add_spec("ClientiFissi", kind="fixed", separator="{NONE}", delimiter="{NONE}",
                     skip=0, columns="1-4,5-24,25-34,35-44,45-52")
    yield c
    vandrel.set_application_folder("")


class PgServer:
    """A cluster made with initdb in a folder under /tmp, listening on a Unix socket there only,
    run as the postgres user when root; the user vandrel gives its password as `connect` says
    (the control's MDBPassword, the command line's --connect)."""
    password = "s3cret;pw"
    connect = f"password='{password}'"

    def __init__(self):
        bins = sorted(glob.glob("/usr/lib/postgresql/*/bin/initdb"),
                      key=lambda p: int(p.split("/")[4]))
        if not bins:
            missing("PostgreSQL server programs not found in /usr/lib/postgresql/*/bin "
                    "(Debian's postgresql): the PostgreSQL tests are skipped.")
        self.bin = os.path.dirname(bins[-1])
        self.dir = tempfile.mkdtemp(prefix="vandrel-pg-")
        self.user = "postgres" if os.getuid() == 0 else None
        if self.user:
            shutil.chown(self.dir, "postgres", "postgres")
        self.count = 0
        data = os.path.join(self.dir, "data")
        with open(os.path.join(self.dir, "pw"), "w") as pw:
            pw.write(self.password + "\n")
        self._tool("initdb", "-D", data, "-U", "vandrel", "-A", "scram-sha-256", "--pwfile=pw",
                   "-E", "UTF8", "--locale=C", "-N")
        with open(os.path.join(data, "postgresql.conf"), "a") as conf:
            conf.write(f"listen_addresses = ''\nunix_socket_directories = '{self.dir}'\n"
                       "fsync = off\nmax_connections = 20\nlc_messages = 'C'\n")
        self._tool("pg_ctl", "start", "-D", data, "-w", "-l", os.path.join(self.dir, "log"))

    def _tool(self, name, *args):
        subprocess.run([os.path.join(self.bin, name), *args], check=True, user=self.user,
                       capture_output=True, cwd=self.dir)

    def uri(self, database):
        return f"postgresql://vandrel@/{database}?host={self.dir}"

    def database(self, tables):
        self.count += 1
        name = f"t{self.count}"
        self.query("postgres", f"CREATE DATABASE {name}")
        self.query(name, tables)
        return self.uri(name)

    def query(self, database, sql):
        """The rows of `sql` as lists of texts, through psql."""
        uri = database if "://" in database else self.uri(database)
        out = subprocess.run([os.path.join(self.bin, "psql"), "-X", "-q", "-A", "-t", "-F", "|",
                              "-v", "ON_ERROR_STOP=1", uri, "-c", sql],
                             check=True, capture_output=True, text=True,
                             env={**os.environ, "PGPASSWORD": self.password}).stdout
        return [line.split("|") for line in out.splitlines()]

    def stop(self):
        self._tool("pg_ctl", "stop", "-D", os.path.join(self.dir, "data"), "-m", "fast", "-w")
        shutil.rmtree(self.dir, ignore_errors=True)


@pytest.fixture(scope="session")
def pg():
    server = PgServer()
    yield server
    server.stop()
