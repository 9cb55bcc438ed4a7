// Dispatcher: the one path of every remote call (see dispatcher.h). Invariants: handle() never
// throws; an update method's transaction is committed only when the method returned normally, did
// not refuse, and its reply was encoded.
#include "appserver/dispatcher.h"

#include <spdlog/spdlog.h>

#include <chrono>

#include "appserver/audit.h"
#include "appserver/changeset.h"
#include "appserver/helpers.h"
#include "appserver/logtext.h"
#include "platform/core/errors.h"
#include "platform/db/database.h"
#include "platform/db/pool.h"
#include "platform/net/codec.h"

namespace cad::appserver {

namespace {

const char* kindText(char k) {
  switch (k) {
    case 's': return "texto";
    case 'd': return "data";
    case 'f': return "número";
    case 'p': return "pacote";
    default: return "valor";
  }
}

// Checks count and kinds; null texts become "" so methods read them directly.
void checkArgs(const Method& m, VariantArray& args) {
  if (args.size() != m.args.size())
    throw Exception("O método " + m.name + " espera " + std::to_string(m.args.size()) + " argumento(s); recebeu " +
                    std::to_string(args.size()) + ".");
  for (size_t i = 0; i < args.size(); ++i) {
    Variant& a = args[i];
    char k = m.args[i];
    bool ok = k == 'v' || (k == 's' && (a.isString() || a.isNull())) || (k == 'd' && a.isDateTime()) ||
              (k == 'f' && a.isNumber()) || (k == 'p' && a.isPacket());
    if (!ok)
      throw Exception("O argumento " + std::to_string(i + 1) + " de " + m.name + " deve ser " + kindText(k) +
                      "; recebeu " + Variant::kindName(a.kind()) + ".");
    if (k == 's' && a.isNull()) a = Variant("");
  }
}

bool holdsNul(const Variant& v) {
  if (v.isString()) return v.str().find('\0') != std::string::npos;
  if (v.isArray()) {
    for (const Variant& e : v.asArray())
      if (holdsNul(e)) return true;
    return false;
  }
  if (v.isPacket()) {
    const Packet& p = v.asPacket();
    auto rowsHold = [](const std::vector<std::vector<Variant>>& rows) {
      for (const auto& row : rows)
        for (const Variant& e : row)
          if (holdsNul(e)) return true;
      return false;
    };
    if (rowsHold(p.original)) return true;
    if (!p.rows.columnar()) return rowsHold(p.rows);
    for (size_t c = 0; c < p.rows.width(); ++c) {
      const PacketColumn& col = p.rows.column(c);
      for (size_t r = 0; r < col.size(); ++r) {
        if (col.store() == PacketColumn::Store::Text && col.textAt(r).find('\0') != std::string_view::npos) return true;
        if (col.store() == PacketColumn::Store::Mixed && holdsNul(col.mixedAt(r))) return true;
      }
    }
  }
  return false;
}

// PostgreSQL would cut such a text at the U+0000 and SQLite would keep it: refused alike, up
// front, with the argument named.
void refuseNul(const Method& m, const VariantArray& args) {
  for (size_t i = 0; i < args.size(); ++i)
    if (holdsNul(args[i])) throw Exception(kNulInText + std::to_string(i + 1) + " de " + m.name + ".");
}

// The text a database failure is answered with: the meaning where the user can act on it.
std::string dbFaultText(const db::Error& e) {
  switch (e.kind()) {
    case db::Error::Kind::Unique: return kAlreadyStored;
    case db::Error::Kind::Busy: return kDatabaseBusy;
    default: return e.what();
  }
}

std::string encodeResult(const Method& m, const Variant& result, const VariantArray& args) {
  net::Reply rep;
  rep.result = result;
  for (int i : m.byRef) rep.out.emplace_back(i, args[i]);
  return net::encodeReply(rep);
}

}  // namespace

Dispatcher::Dispatcher(db::Pool& pool, const Registry& registry)
    : pool_(pool), registry_(registry), serialWriters_(pool.url().rfind("sqlite:", 0) == 0) {}

std::string Dispatcher::handle(const std::string& body, const std::string& operatorName) {
  return handle(body, operatorName, kInternalPeer);
}

std::string Dispatcher::handle(const std::string& body, const std::string& operatorName, const std::string& peer) {
  auto start = std::chrono::steady_clock::now();
  std::string label = "(requisição inválida)";
  std::string outcome = "ok";
  std::string reply;
  auto fault = [&](const std::string& text) {
    outcome = "falha: " + text;
    reply = net::encodeFault(text);
  };
  try {
    net::Request req;
    try {
      req = net::decodeRequest(body, net::requestLimits());
    } catch (const Exception& e) {
      throw Exception(std::string("Requisição inválida: ") + e.what());
    }
    label = req.server + "." + req.method;
    const Method* m = registry_.find(req.server, req.method);
    if (!m) {
      if (!registry_.hasServer(req.server)) throw Exception("Servidor de aplicação desconhecido: " + req.server + ".");
      throw Exception("Método desconhecido: " + label + ".");
    }
    checkArgs(*m, req.args);
    refuseNul(*m, req.args);
    std::unique_lock<std::mutex> writerTurn;
    if (m->update && serialWriters_) writerTurn = std::unique_lock<std::mutex>(writer_);
    auto lease = pool_.acquire();
    std::string branchRefused;
    std::string refusal = m->branchArg >= 0 ? operatorAndBranchRefusal(*lease, operatorName,
                                                                       textOf(req.args[m->branchArg]), branchRefused)
                                            : operatorRefusal(*lease, operatorName);
    if (!refusal.empty()) throw Exception(refusal);
    if (!branchRefused.empty() && !m->checkable) throw Exception(branchRefused);
    CallContext ctx{*lease, operatorName};
    if (!branchRefused.empty()) {
      reply = encodeResult(*m, checkFail(branchRefused), req.args);
      outcome = "recusado: " + branchRefused;
    } else if (m->update) {
      db::Transaction tx(*lease);
      // The audit triggers record every row the method writes under this call's context.
      bool audited = beginAudit(*lease, AuditContext{operatorName, peer, m->name});
      Variant result = m->fn(ctx, req.args);
      reply = encodeResult(*m, result, req.args);
      if (isRefusal(result)) {
        outcome = "recusado";
      } else {
        if (audited) clearAudit(*lease);
        tx.commit();
      }
    } else {
      Variant result = m->fn(ctx, req.args);
      reply = encodeResult(*m, result, req.args);
    }
  } catch (const db::Error& e) {
    fault(dbFaultText(e));
  } catch (const Exception& e) {
    fault(e.what());
  } catch (const std::exception& e) {
    fault(std::string("Erro interno do servidor de aplicação: ") + e.what());
  } catch (...) {
    fault("Erro interno do servidor de aplicação.");
  }
  // The line is composed only when it is going to be written.
  if (!spdlog::should_log(spdlog::level::info)) return reply;
  auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  try {
    // Names and texts from the client are escaped: they cannot forge a line of their own.
    spdlog::info("{} [{}] {:.1f} ms {}", logText(label), logText(operatorName), ms, logText(outcome));
  } catch (...) {
    // Logging must not turn a reply into a failure.
  }
  return reply;
}

Dispatcher::Handler Dispatcher::handler() {
  return [this](const std::string& body, const std::string& op) { return handle(body, op); };
}

Dispatcher::PeerHandler Dispatcher::peerHandler() {
  return [this](const std::string& body, const std::string& op, const std::string& peer) {
    return handle(body, op, peer);
  };
}

}  // namespace cad::appserver
