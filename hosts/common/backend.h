// HostBackend: what a host connects to, set up from its settings and torn down with it.
//  - The application server: over HTTP to a running server, as an operator who signed in (a
//    session per operator, opened with signIn and renewed through the host's prompt when the
//    server ends it) or with a host token and the operator header; or with
//    --embedded the server code itself in this process (a connection pool on --db, the schema
//    and demo data on --init/--demo) behind the in-process transport. Either way the screens'
//    TNetConnections reach it through the process-wide transport factory.
//  - The session database of the screens' reference queries (--db).
//
// Invariants: every transport carries the operator the current session has at the time of the
// call, so changing the session's operator between commands takes effect at once; the destructor
// removes the transport factory and the session database, so nothing points at a freed server.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace cad::host {

struct Options;

// Asks for the password of `operatorName` after the server ended its session; `why` is the
// server's text (or the previous attempt's refusal). Throws cad::Exception to give up.
using PasswordPrompt = std::function<std::string(const std::string& operatorName, const std::string& why)>;

class HostBackend {
 public:
  // Throws cad::Exception when the database cannot be opened or prepared.
  explicit HostBackend(const Options& options);
  ~HostBackend();
  HostBackend(const HostBackend&) = delete;
  HostBackend& operator=(const HostBackend&) = delete;

  bool embedded() const;
  // True when calls need an operator who signed in: a remote server and no host token.
  bool needsSignIn() const;
  // Signs the operator in and keeps the session for the calls made as that operator; returns the
  // operator as the server stores it. Throws cad::Exception with the server's text.
  std::string signIn(const std::string& operatorName, const std::string& password);
  // How an ended session is renewed: with this prompt; without one, with the password of the last
  // sign-in of that operator (automation).
  void setPasswordPrompt(PasswordPrompt prompt);
  // Ends the sessions opened here (at the host's end).
  void signOut();

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace cad::host
