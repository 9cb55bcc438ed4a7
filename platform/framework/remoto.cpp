#include "platform/framework/remoto.h"

#include "platform/core/errors.h"
#include "platform/data/dataset.h"
#include "platform/db/query.h"
#include "platform/framework/consiste.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "platform/net/netconnection.h"

namespace cad {

Variant GravaAlteracoes(TNetConnection& net, ClientDataSet& ds, const std::string& metodo, const Gravacao& opcoes) {
  if (ds.ChangeCount() == 0) return Variant();
  try {
    std::vector<RpcArg> params{Variant(ds.Delta())};
    for (const Variant& v : opcoes.extras) params.emplace_back(v);
    Variant resposta = net.Call(metodo, params);
    if (opcoes.respondido) opcoes.respondido();
    std::string recusa;
    if (opcoes.checaResultado) {
      resposta = Consiste::CheckResultServ(resposta, true, 0);
      if (resposta.isString()) recusa = resposta.asString();
    } else if (!resposta.isNull()) {
      recusa = resposta.asString();
    }
    if (!recusa.empty()) Consiste::MensErro(recusa, true);
    ds.MergeChangeLog();
    return resposta;
  } catch (...) {
    // What the server refused does not stay on screen as if it were stored.
    if (ds.ChangeCount() > 0) ds.CancelUpdates();
    throw;
  }
}

void Parametriza(TADOIBQuery& query, const std::vector<std::pair<const char*, Variant>>& parametros) {
  query.Close();
  for (const auto& [nome, valor] : parametros) query.ParamByName(nome) = valor;
}

void Reabre(TADOIBQuery& query, const std::vector<std::pair<const char*, Variant>>& parametros) {
  Parametriza(query, parametros);
  query.Open();
}

Exception RespostaInesperada(const std::string& metodo) {
  return Exception("Resposta inesperada do servidor de aplicação para " + metodo + ".");
}

void CarregaPacote(DataSet& ds, const Variant& pacote, const std::string& metodo) {
  if (!pacote.isPacket()) throw RespostaInesperada(metodo);
  ds.SetData(pacote.packetPtr());
}

VariantArray ChamaPartes(TNetConnection& net, const std::string& metodo, const std::vector<RpcArg>& args, size_t partes,
                         ShowAviGuard* avi) {
  Variant resposta = net.Call(metodo, args);
  if (resposta.isString()) {
    if (avi) avi->Hide();
    throw Exception(resposta.str());
  }
  if (!resposta.isArray() || resposta.asArray().size() < partes) throw RespostaInesperada(metodo);
  return resposta.asArray();
}

void ServidorDaSessao(TNetConnection& net) {
  net.BeforeConnect = [](TNetConnection& c) {
    c.Host = Corvane::WebURL();
    c.Port = Corvane::WebPort();
  };
}

}  // namespace cad
