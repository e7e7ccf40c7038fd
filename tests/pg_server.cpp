#include "pg_server.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

// The bin folder of the newest server installed the Debian way.
std::string FindServerBin() {
  std::vector<std::pair<int, std::string>> found = {{-1, ""}};  // "" when there is none
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
    const fs::path bin = entry.path() / "bin";
    if (fs::exists(bin / "initdb") && fs::exists(bin / "pg_ctl")) {
      found.emplace_back(std::atoi(entry.path().filename().c_str()), bin.string());
    }
  }
  return std::max_element(found.begin(), found.end())->second;
}

// Runs a server program, as the postgres user when this process is root; its output goes to
// `log`. Returns the exit status.
int RunTool(const std::vector<std::string>& args, const std::string& log) {
  const passwd* pg = ::getuid() == 0 ? ::getpwnam("postgres") : nullptr;
  if (::getuid() == 0 && !pg) throw std::runtime_error("running as root, but no postgres user");
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (pg && (::setgid(pg->pw_gid) != 0 || ::setuid(pg->pw_uid) != 0)) ::_exit(126);
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) {
      ::dup2(fd, 1);
      ::dup2(fd, 2);
    }
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

PGconn* Connect(const std::string& uri) {
  const char* keys[] = {"dbname", "password", nullptr};
  const char* values[] = {uri.c_str(), PgServer::kPassword, nullptr};
  PGconn* conn = PQconnectdbParams(keys, values, 1);
  if (PQstatus(conn) != CONNECTION_OK) {
    std::string message = PQerrorMessage(conn);
    PQfinish(conn);
    throw std::runtime_error(message);
  }
  return conn;
}

}  // namespace

PgServer* PgServer::Get(std::string& why, int index) {
  static std::unique_ptr<PgServer> servers[2];  // stopped and removed as the program ends
  std::unique_ptr<PgServer>& server = servers[index];
  if (server) return server.get();
  const std::string bin = FindServerBin();
  if (bin.empty()) {
    why =
        "PostgreSQL server programs not found in /usr/lib/postgresql/*/bin (install the "
        "Debian package postgresql): the PostgreSQL tests are skipped.";
    return nullptr;
  }
  std::unique_ptr<PgServer> s(new PgServer);
  s->bin_ = bin;
  char tmpl[] = "/tmp/vandrel-pg-XXXXXX";
  if (!::mkdtemp(tmpl)) throw std::runtime_error("cannot make a temporary folder");
  s->dir_ = tmpl;
  { std::ofstream(s->dir_ + "/pw") << kPassword << '\n'; }
  if (::getuid() == 0) {  // the server's user owns its folder and reads the password file
    const passwd* pg = ::getpwnam("postgres");
    for (const std::string& path : {s->dir_, s->dir_ + "/pw"}) {
      if (!pg || ::chown(path.c_str(), pg->pw_uid, pg->pw_gid) != 0) {
        throw std::runtime_error("cannot hand " + path + " to the postgres user");
      }
    }
  }
  const std::string log = s->dir_ + "/server.log";
  if (RunTool({bin + "/initdb", "-D", s->dir_ + "/data", "-U", kUser, "--pwfile=" + s->dir_ + "/pw",
               "-A", "scram-sha-256", "-E", "UTF8", "--locale=C", "-N"},
              log) != 0) {
    throw std::runtime_error("initdb failed; see " + log);
  }
  {
    std::ofstream conf(s->dir_ + "/data/postgresql.conf", std::ios::app);
    conf << "listen_addresses = ''\n"
         << "unix_socket_directories = '" << s->dir_ << "'\n"
         << "fsync = off\nsynchronous_commit = off\nfull_page_writes = off\n"
         << "shared_buffers = 32MB\nmax_connections = 20\nlc_messages = 'C'\n"
         << "deadlock_timeout = '100ms'\n";
  }
  server = std::move(s);
  server->Start();
  return server.get();
}

PgServer::~PgServer() {
  Stop();
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

void PgServer::Start() {
  const std::string log = dir_ + "/server.log";
  if (RunTool({bin_ + "/pg_ctl", "start", "-D", dir_ + "/data", "-w", "-t", "60", "-l", log},
              dir_ + "/pg_ctl.log") != 0) {
    throw std::runtime_error("the test server did not start; see " + log);
  }
}

void PgServer::Stop() {
  const std::string data = dir_ + "/data";
  if (!fs::exists(data + "/postmaster.pid")) return;
  if (RunTool({bin_ + "/pg_ctl", "stop", "-D", data, "-m", "fast", "-w"}, dir_ + "/pg_ctl.log") !=
      0) {
    RunTool({bin_ + "/pg_ctl", "stop", "-D", data, "-m", "immediate", "-w"}, dir_ + "/pg_ctl.log");
  }
}

std::string PgServer::CreateDatabase() {
  const std::string name = "t" + std::to_string(::getpid()) + "_" + std::to_string(++databases_);
  const std::string base = "postgresql://" + std::string(kUser) + "@/";
  const std::string query = "?host=" + dir_;
  PgRun(base + "postgres" + query, "CREATE DATABASE " + name);
  return base + name + query;
}

std::string PgServer::DatabaseOf(const std::string& uri) {
  const std::size_t from = uri.find("@/") + 2;
  return uri.substr(from, uri.find('?') - from);
}

std::string PgServer::Connect() {
  return "password='" + std::string(kPassword) + "'";
}

void PgRun(const std::string& uri, const std::string& sql) {
  PgSession(uri).Run(sql);
}

std::vector<std::vector<std::string>> PgQuery(const std::string& uri, const std::string& sql) {
  return PgSession(uri).Query(sql);
}

PgSession::PgSession(const std::string& uri) : conn_(Connect(uri)) {}

PgSession::~PgSession() {
  PQfinish(conn_);
}

void PgSession::Run(const std::string& sql) {
  Query(sql);
}

std::vector<std::vector<std::string>> PgSession::Query(const std::string& sql) {
  PGresult* r = PQexec(conn_, sql.c_str());
  if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK) {
    PQclear(r);
    throw std::runtime_error(PQerrorMessage(conn_));
  }
  std::vector<std::vector<std::string>> rows(static_cast<std::size_t>(PQntuples(r)));
  for (int i = 0; i < PQntuples(r); ++i) {
    for (int j = 0; j < PQnfields(r); ++j) {
      rows[static_cast<std::size_t>(i)].emplace_back(PQgetisnull(r, i, j) ? "NULL"
                                                                          : PQgetvalue(r, i, j));
    }
  }
  PQclear(r);
  return rows;
}

}  // namespace vandrel::test
