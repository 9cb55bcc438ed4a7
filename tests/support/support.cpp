// Shared test fixtures. Temporary databases are registered in one process-wide list and removed
// when the test program ends (a global test environment's TearDown, while the database client
// libraries are still whole): SQLite files with their WAL and shared-memory companions,
// PostgreSQL schemas with everything in them. A listener counts the cases that used PostgreSQL and
// appends the count to $CADSERV_TEST_TALLY, so scripts/with-postgres.sh can say how many ran.
#include "tests/support/support.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "appserver/schema.h"
#include "platform/core/errors.h"
#include "platform/db/database.h"

namespace cad::test {

namespace {

std::string pgBaseUrl() {
  const char* url = std::getenv("CADSERV_TEST_PG_URL");
  return url ? url : "";
}

class Temporaries {
 public:
  static Temporaries& instance() {
    static Temporaries t;
    return t;
  }
  void addFile(const std::string& path) {
    std::lock_guard lock(mutex_);
    files_.push_back(path);
  }
  void addSchema(const std::string& name) {
    std::lock_guard lock(mutex_);
    schemas_.push_back(name);
  }
  // Files only: by now the PostgreSQL client library may be partly torn down.
  ~Temporaries() {
    for (const auto& f : files_) removeFile(f);
  }

  void removeAll() {
    std::vector<std::string> files, schemas;
    {
      std::lock_guard lock(mutex_);
      files.swap(files_);
      schemas.swap(schemas_);
    }
    for (const auto& f : files) removeFile(f);
    if (schemas.empty()) return;
    try {
      auto db = db::open(pgBaseUrl());
      // A connection left open elsewhere must not hold the exit forever.
      db->execScript("SET lock_timeout = '5s'");
      for (const auto& s : schemas) db->execScript("DROP SCHEMA IF EXISTS " + s + " CASCADE");
    } catch (const std::exception& e) {
      std::fprintf(stderr, "aviso: esquemas de teste não removidos: %s\n", e.what());
    }
  }

 private:
  static void removeFile(const std::string& f) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::remove((f + suffix).c_str());
  }

  std::mutex mutex_;
  std::vector<std::string> files_;
  std::vector<std::string> schemas_;
};

class CleanupEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { Temporaries::instance().removeAll(); }
};
[[maybe_unused]] ::testing::Environment* const kCleanup = ::testing::AddGlobalTestEnvironment(new CleanupEnvironment);

// Whether the running test opened a PostgreSQL database (set by freshDatabaseUrl).
std::atomic<bool> usedPostgres{false};

// Counts the cases that ran on PostgreSQL: those instantiated for it ("…/postgresql") and any
// other that opened a PostgreSQL database. At the end, one line "<ran> <failed>" is appended to
// the tally file, in a single write so that test programs running side by side do not mix lines.
class PostgresTally : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { usedPostgres = false; }
  void OnTestEnd(const ::testing::TestInfo& info) override {
    std::string_view name = info.name();
    constexpr std::string_view kSuffix = "/postgresql";
    bool instantiated = name.size() >= kSuffix.size() && name.substr(name.size() - kSuffix.size()) == kSuffix;
    if (!instantiated && !usedPostgres) return;
    if (info.result()->Skipped()) return;
    ++ran_;
    if (info.result()->Failed()) ++failed_;
  }
  void OnTestProgramEnd(const ::testing::UnitTest&) override {
    const char* path = std::getenv("CADSERV_TEST_TALLY");
    if (ran_ == 0 || !path || !*path) return;
    std::string line = std::to_string(ran_) + " " + std::to_string(failed_) + "\n";
    int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (fd < 0) return;
    [[maybe_unused]] ssize_t n = ::write(fd, line.data(), line.size());
    ::close(fd);
  }
  int ran_ = 0, failed_ = 0;
};
[[maybe_unused]] const bool kTallyInstalled = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new PostgresTally);
  return true;
}();

std::string uniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return std::to_string(getpid()) + "_" + std::to_string(now % 1000000) + "_" + std::to_string(counter++);
}

}  // namespace

std::vector<std::string> backends() {
  std::vector<std::string> list{"sqlite"};
  if (!pgBaseUrl().empty()) list.push_back("postgresql");
  return list;
}

std::string freshDatabaseUrl(const std::string& backend) {
  Temporaries& temps = Temporaries::instance();  // built before any database it must remove
  if (backend == "sqlite") {
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/cadserv-test-XXXXXX";
    int fd = mkstemp(path.data());
    if (fd < 0) throw Exception("Não foi possível criar o arquivo temporário " + path);
    close(fd);  // an empty file is a valid new SQLite database
    temps.addFile(path);
    return "sqlite:" + path;
  }
  if (backend == "postgresql") {
    std::string base = pgBaseUrl();
    if (base.empty()) throw Exception("CADSERV_TEST_PG_URL não definido.");
    usedPostgres = true;
    std::string schema = "t_" + uniqueSuffix();
    db::open(base)->execScript("CREATE SCHEMA " + schema);
    temps.addSchema(schema);
    return base + (base.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + schema;
  }
  throw Exception("Banco de dados de teste desconhecido: " + backend);
}

std::string freshDemoDatabase(const std::string& backend) {
  std::string url = freshDatabaseUrl(backend);
  auto db = db::open(url);
  appserver::createSchema(*db);
  appserver::loadDemo(*db);
  return url;
}

}  // namespace cad::test
