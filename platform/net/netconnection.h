// TNetConnection: the screens' connection to the application server. A call names the remote
// method and passes Variant arguments; an argument wrapped in ByRef(variable) is sent like any
// other and, when the server writes it back, the variable takes the new value.
//
//   net.Call("GetServico", {cdFilial, cdGrupo});
//   net.Call("SetExpComens", {ByRef(filial), ByRef(servico), ByRef(dieta), ByRef(lista)});
//
// Connecting runs BeforeConnect (where the screens set Host and Port), then asks the process-wide
// transport factory for a transport and checks that the server answers. Calling while not
// connected connects first. Every failure of a call (no connection, timeout, HTTP error status, a
// fault from the server, an unreadable reply) raises cad::Exception naming host and port.
// ThrowException = false only makes connecting quiet (Open/SetConnected(true) leave the
// connection closed instead of raising); a failed call always raises, so a failure is never
// mistaken for an empty result.
#pragma once

#include <concepts>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/variant.h"

namespace cad::net {
class Transport;
}

namespace cad {

// One argument of a remote call: a value, or a reference to a variable the reply may overwrite.
class RpcArg {
 public:
  template <class T>
  // The requires clause keeps copies and moves of RpcArg off this overload; the check ignores it.
  // NOLINTNEXTLINE(bugprone-forwarding-reference-overload)
  requires std::constructible_from<Variant, T&&> RpcArg(T&& value)
      : value_(std::forward<T>(value)) {}  // NOLINT: implicit on purpose

  const Variant& value() const { return ref_ ? *ref_ : value_; }
  Variant* ref() const { return ref_; }

 private:
  friend RpcArg ByRef(Variant& v);
  RpcArg() = default;
  Variant value_;
  Variant* ref_ = nullptr;
};

// Marks an argument as passed by reference.
RpcArg ByRef(Variant& v);

// One remote call as the call observers see it, once it has ended.
struct RpcCallRecord {
  std::string connection;  // Name of the TNetConnection
  std::string server;
  std::string method;
  VariantArray args;  // as sent
  Variant result;     // null when the call failed
  std::string error;  // "" on success, else the text of the exception raised
};

// Process-wide observers of every remote call (screen tests and the automation driver keep call
// logs with them). They run on the calling thread after the call ended, in the order added; an
// observer must not throw.
int AddCallObserver(std::function<void(const RpcCallRecord&)> observer);
void RemoveCallObserver(int id);

class TNetConnection {
 public:
  explicit TNetConnection(std::string name = {});
  ~TNetConnection();
  TNetConnection(const TNetConnection&) = delete;
  TNetConnection& operator=(const TNetConnection&) = delete;

  std::string Name;
  std::string ServerName;  // e.g. "Ger04100.rdmCadastroServ"
  std::string Host;
  int Port = 0;
  bool ThrowException = true;
  std::function<void(TNetConnection&)> BeforeConnect;

  bool Connected() const;
  void SetConnected(bool on);
  void Open();
  void Close();

  Variant Call(const std::string& method, const std::vector<RpcArg>& args = {});

  // Text of the last failure (connect or call); empty after a success.
  const std::string& LastError() const { return lastError_; }

 private:
  void connect(bool quiet);
  Variant call(const std::string& method, const std::vector<RpcArg>& args);
  std::unique_ptr<net::Transport> transport_;
  std::string lastError_;
};

}  // namespace cad
