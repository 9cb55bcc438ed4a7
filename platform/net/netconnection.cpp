// TNetConnection: connect on demand through the process-wide transport factory, encode the call,
// decode the reply, write by-reference arguments back, and turn every failure into one clear
// cad::Exception.
//
// Invariant: the connection is "connected" exactly while it holds a transport.
#include "platform/net/netconnection.h"

#include <utility>

#include "platform/core/errors.h"
#include "platform/net/codec.h"
#include "platform/net/transport.h"

namespace cad {

RpcArg ByRef(Variant& v) {
  RpcArg a;
  a.ref_ = &v;
  return a;
}

namespace {

struct Observers {
  int next = 1;
  std::vector<std::pair<int, std::function<void(const RpcCallRecord&)>>> list;
};

Observers& observers() {
  static Observers o;
  return o;
}

void notifyCall(const RpcCallRecord& record) {
  // A copy, so an observer may remove itself.
  auto list = observers().list;
  for (auto& [id, fn] : list) fn(record);
}

}  // namespace

int AddCallObserver(std::function<void(const RpcCallRecord&)> observer) {
  Observers& o = observers();
  o.list.emplace_back(o.next, std::move(observer));
  return o.next++;
}

void RemoveCallObserver(int id) {
  auto& list = observers().list;
  std::erase_if(list, [id](const auto& p) { return p.first == id; });
}

TNetConnection::TNetConnection(std::string name) : Name(std::move(name)) {}

TNetConnection::~TNetConnection() = default;

bool TNetConnection::Connected() const { return transport_ != nullptr; }

void TNetConnection::SetConnected(bool on) {
  if (on == Connected()) return;
  if (on)
    connect(!ThrowException);
  else
    Close();
}

void TNetConnection::Open() { SetConnected(true); }

void TNetConnection::Close() { transport_.reset(); }

void TNetConnection::connect(bool quiet) {
  try {
    if (BeforeConnect) BeforeConnect(*this);
    if (Port <= 0 || Port > 65535)
      throw Exception("Porta inválida do servidor de aplicação: " + std::to_string(Port) + ".");
    auto t = net::makeTransport(Host, Port);
    t->connect();
    transport_ = std::move(t);
    lastError_.clear();
  } catch (const Exception& e) {
    lastError_ = e.what();
    if (!quiet) throw;
  }
}

Variant TNetConnection::Call(const std::string& method, const std::vector<RpcArg>& args) {
  RpcCallRecord record{Name, ServerName, method, {}, Variant(), {}};
  for (const RpcArg& a : args) record.args.push_back(a.value());
  try {
    record.result = call(method, args);
  } catch (const std::exception& e) {
    record.error = e.what();
    if (!observers().list.empty()) notifyCall(record);
    throw;
  }
  if (!observers().list.empty()) notifyCall(record);
  return record.result;
}

Variant TNetConnection::call(const std::string& method, const std::vector<RpcArg>& args) {
  if (!Connected()) connect(false);
  try {
    net::Request req;
    req.server = ServerName;
    req.method = method;
    req.args.reserve(args.size());
    for (const RpcArg& a : args) req.args.push_back(a.value());
    std::string body = transport_->post(net::encodeRequest(req));

    net::Reply rep;
    try {
      rep = net::decodeReply(body);
    } catch (const Exception& e) {
      throw Exception("Resposta inválida do servidor de aplicação em " + transport_->where() + " (" + method +
                      "): " + e.what());
    }
    if (rep.isFault)
      throw Exception("Erro no servidor de aplicação em " + transport_->where() + " (" + method + "): " + rep.fault);
    // Only arguments the caller passed by reference take the values written back.
    for (auto& [index, value] : rep.out)
      if (index >= 0 && static_cast<size_t>(index) < args.size() && args[index].ref())
        *args[index].ref() = std::move(value);
    lastError_.clear();
    return std::move(rep.result);
  } catch (const Exception& e) {
    lastError_ = e.what();
    throw;
  }
}

}  // namespace cad
