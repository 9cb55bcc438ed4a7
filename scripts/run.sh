#!/usr/bin/env bash
# `make run`: starts the application server of the release build on the demo database.
# The database file (cadserv.db in the repository root, or $CADSERV_DB) gets the schema and the
# demo data the first time; later runs keep what was stored. The token is $CADSERV_TOKEN or a new
# random one, printed with a ready-to-paste call.
set -euo pipefail
cd "$(dirname "$0")/.."

BIN=build/release/bin/cadserv-server
DB=${CADSERV_DB:-cadserv.db}
LISTEN=${CADSERV_LISTEN:-127.0.0.1:8099}
TOKEN=${CADSERV_TOKEN:-$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')}

if [ ! -x "$BIN" ]; then
  echo "run: $BIN não encontrado; rode 'make build' antes." >&2
  exit 1
fi

ARGS=(--listen "$LISTEN" --db "sqlite:$DB" --token "$TOKEN")
if [ ! -s "$DB" ]; then
  echo "Criando $DB com os dados de demonstração..."
  ARGS+=(--demo)
fi

cat <<MSG
Servidor de aplicação: http://$LISTEN  (banco $DB)
Token da sessão: $TOKEN
Exemplo de chamada:
  curl -s http://$LISTEN/rpc \\
    -H 'Authorization: Bearer $TOKEN' -H 'X-Operator: ADMIN' \\
    -d '{"server":"Ger04100.rdmCadastroServ","method":"GetServico","args":["0001",""]}'
Ctrl+C encerra.
MSG
exec "$BIN" "${ARGS[@]}"
