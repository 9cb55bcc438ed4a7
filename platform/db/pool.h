// Pool: connections to one database URL for a multi-threaded server. Connections open on demand
// up to a limit; acquire() hands out a Lease (a guard) and waits while all are in use. A returned
// connection that is still inside a transaction is rolled back first; one that cannot be rolled
// back is closed instead of being reused. "sqlite::memory:" is one private database per
// connection, so a pool on it keeps a single connection.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/db/database.h"

namespace cad::db {

class Pool {
 public:
  explicit Pool(std::string url, size_t maxConnections = 8);
  ~Pool();
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  class Lease {
   public:
    Lease(Lease&& other) noexcept;
    Lease& operator=(Lease&&) = delete;
    Lease(const Lease&) = delete;
    ~Lease();
    Database& operator*() const { return *db_; }
    Database* operator->() const { return db_.get(); }
    Database& get() const { return *db_; }

   private:
    friend class Pool;
    Lease(Pool& pool, std::unique_ptr<Database> db) : pool_(&pool), db_(std::move(db)) {}
    Pool* pool_;
    std::unique_ptr<Database> db_;
  };

  // An idle connection, a new one when below the limit, or the next one returned. Throws
  // cad::Exception when a new connection cannot be opened.
  Lease acquire();

  const std::string& url() const { return url_; }
  size_t maxConnections() const { return max_; }
  size_t openConnections() const;  // idle plus leased

 private:
  void release(std::unique_ptr<Database> db);

  const std::string url_;
  const size_t max_;
  mutable std::mutex mutex_;
  std::condition_variable returned_;
  std::vector<std::unique_ptr<Database>> idle_;
  size_t open_ = 0;
};

}  // namespace cad::db
