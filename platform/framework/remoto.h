// Steps every screen repeats when it talks to the application server or reopens a query:
//  - GravaAlteracoes sends a dataset's change log through an update method and merges it once the
//    server took it; any refusal or failure cancels the pending changes (the screen then shows what
//    is stored) and goes on as the exception it was;
//  - Reabre closes a query, sets its parameters and opens it again (Parametriza stops before the
//    opening, for a lookup that opens the query itself);
//  - ServidorDaSessao makes a connection reach the session's application server (host and port
//    read when it connects);
//  - ChamaPartes calls a method that answers several parts (packets, lists) or its refusal, and
//    CarregaPacote loads one packet of an answer into a dataset; both refuse an answer of another
//    shape as unexpected (RespostaInesperada).
//
// Invariants: after GravaAlteracoes returns, the dataset has no pending change; after it throws,
// it has none either (the log was cancelled). Nothing is sent when the log is empty.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/variant.h"

namespace cad {

class ClientDataSet;
class DataSet;
class Exception;
class RpcArg;
class ShowAviGuard;
class TADOIBQuery;
class TNetConnection;

struct Gravacao {
  // Parameters sent after the delta.
  VariantArray extras;
  // The answer goes through Consiste::CheckResultServ first (methods answering [true, text]).
  bool checaResultado = false;
  // Runs once the server answered, before a refusal is shown (e.g. hides the progress display).
  std::function<void()> respondido;

  // The options of a method that answers [true, text].
  static Gravacao ChecandoResultado() {
    Gravacao g;
    g.checaResultado = true;
    return g;
  }
};

// Sends ds.Delta() (then `extras`) through `metodo`. An answer that is a non-empty text is the
// server's refusal: it is shown as an error (MensErro, which aborts). Returns the answer.
Variant GravaAlteracoes(TNetConnection& net, ClientDataSet& ds, const std::string& metodo, const Gravacao& opcoes = {});

// Closes the query and sets each named parameter (a lookup then opens it).
void Parametriza(TADOIBQuery& query, const std::vector<std::pair<const char*, Variant>>& parametros);
// Closes the query, sets each named parameter and opens it again.
void Reabre(TADOIBQuery& query, const std::vector<std::pair<const char*, Variant>>& parametros);

// The error of an answer `metodo` does not give ("Resposta inesperada do servidor de aplicação
// para <metodo>.").
Exception RespostaInesperada(const std::string& metodo);

// Loads into `ds` the packet `metodo` answered; anything else is an unexpected answer.
void CarregaPacote(DataSet& ds, const Variant& pacote, const std::string& metodo);

// Calls `metodo`, which answers a list of at least `partes` items or, as a text, its refusal. The
// refusal hides `avi` first (when given: the error is not shown under the progress display) and is
// thrown as it is; any other answer is unexpected. Returns the list.
VariantArray ChamaPartes(TNetConnection& net, const std::string& metodo, const std::vector<RpcArg>& args, size_t partes,
                         ShowAviGuard* avi = nullptr);

// The connection reaches the session's application server: host and port are read from the
// session each time it connects.
void ServidorDaSessao(TNetConnection& net);

}  // namespace cad
