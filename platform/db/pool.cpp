// Connection pool. Invariant: open_ counts idle plus leased connections and never exceeds max_;
// a slot is reserved (open_ incremented) before a connection is opened outside the lock and given
// back if opening fails.
#include "platform/db/pool.h"

namespace cad::db {

Pool::Pool(std::string url, size_t maxConnections)
    : url_(std::move(url)), max_(url_ == "sqlite::memory:" ? 1 : (maxConnections == 0 ? 1 : maxConnections)) {}

Pool::~Pool() = default;

Pool::Lease::Lease(Lease&& other) noexcept : pool_(other.pool_), db_(std::move(other.db_)) {}

Pool::Lease::~Lease() {
  if (db_) pool_->release(std::move(db_));
}

Pool::Lease Pool::acquire() {
  std::unique_lock lock(mutex_);
  returned_.wait(lock, [&] { return !idle_.empty() || open_ < max_; });
  if (!idle_.empty()) {
    std::unique_ptr<Database> db = std::move(idle_.back());
    idle_.pop_back();
    return Lease(*this, std::move(db));
  }
  ++open_;
  lock.unlock();
  try {
    return Lease(*this, open(url_));
  } catch (...) {
    lock.lock();
    --open_;
    returned_.notify_one();
    throw;
  }
}

void Pool::release(std::unique_ptr<Database> db) {
  bool keep = true;
  if (db->inTransaction()) {
    try {
      db->rollback();
    } catch (...) {
      keep = false;
    }
    keep = keep && !db->inTransaction();
  }
  if (!keep) db.reset();  // closed outside the lock
  std::lock_guard lock(mutex_);
  if (keep)
    idle_.push_back(std::move(db));
  else
    --open_;
  returned_.notify_one();
}

size_t Pool::openConnections() const {
  std::lock_guard lock(mutex_);
  return open_;
}

}  // namespace cad::db
