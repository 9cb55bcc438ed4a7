// HostBackend: what a host connects to, set up from its settings and torn down with it.
//  - The application server: over HTTP (token and operator headers) to a running server, or with
//    --embedded the server code itself in this process (a connection pool on --db, the schema
//    and demo data on --init/--demo) behind the in-process transport. Either way the screens'
//    TNetConnections reach it through the process-wide transport factory.
//  - The session database of the screens' reference queries (--db).
//
// Invariants: every transport carries the operator the current session has at the time of the
// call, so changing the session's operator between commands takes effect at once; the destructor
// removes the transport factory and the session database, so nothing points at a freed server.
#pragma once

#include <memory>

namespace cad::host {

struct Options;

class HostBackend {
 public:
  // Throws cad::Exception when the database cannot be opened or prepared.
  explicit HostBackend(const Options& options);
  ~HostBackend();
  HostBackend(const HostBackend&) = delete;
  HostBackend& operator=(const HostBackend&) = delete;

  bool embedded() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace cad::host
