// A throwaway PostgreSQL server for the tests: a cluster made with initdb in a temporary folder,
// listening on a Unix socket in that folder only (no TCP), stopped and removed when the test
// program ends. As root, the server runs as the `postgres` user the Debian package creates.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

struct pg_conn;

namespace vandrel::test {

class PgServer {
 public:
  static constexpr const char* kUser = "vandrel";
  static constexpr const char* kPassword = "s3cret;pw";

  // The program's server, started on first use; null when the server programs are not
  // installed (`why` then says so). `index` 1 is a second server of its own, for tables
  // that live on another server.
  static PgServer* Get(std::string& why, int index = 0);

  ~PgServer();
  PgServer(const PgServer&) = delete;
  PgServer& operator=(const PgServer&) = delete;

  // A new, empty database; its URI carries the user but not the password.
  std::string CreateDatabase();
  const std::string& socketDir() const { return dir_; }
  // The password as a connect string.
  static std::string Connect();
  // The database's name within its URI.
  static std::string DatabaseOf(const std::string& uri);

  void Stop();
  void Start();

 private:
  PgServer() = default;
  std::string bin_, dir_;
  int databases_ = 0;
};

// Runs `sql` (several statements allowed) on the database at `uri` as the test user.
void PgRun(const std::string& uri, const std::string& sql);
// Each row of the query's result as text ("NULL" for a null).
std::vector<std::vector<std::string>> PgQuery(const std::string& uri, const std::string& sql);

// A connection of its own, for a test playing another user of the same database.
class PgSession {
 public:
  explicit PgSession(const std::string& uri);
  ~PgSession();
  PgSession(const PgSession&) = delete;
  PgSession& operator=(const PgSession&) = delete;
  void Run(const std::string& sql);
  // The rows of `sql`'s result, each value as text ("NULL" for a null).
  std::vector<std::vector<std::string>> Query(const std::string& sql);

 private:
  ::pg_conn* conn_;
};

// For a fixture's SetUp: the server, or the test skipped (failed when CI is set).
#define VANDREL_REQUIRE_PG(server)                 \
  do {                                             \
    std::string why_;                              \
    server = ::vandrel::test::PgServer::Get(why_); \
    if (!server) {                                 \
      if (std::getenv("CI")) FAIL() << why_;       \
      GTEST_SKIP() << why_;                        \
    }                                              \
  } while (false)

}  // namespace vandrel::test
