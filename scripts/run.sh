#!/usr/bin/env bash
# `make run`: starts the application server of the release build on the demo database and opens
# the desktop host connected to it; the server stops when the desktop closes.
# The database file (cadserv.db in the repository root, or $CADSERV_DB) gets the schema and the
# demo data the first time; later runs keep what was stored. Operators sign in with their password
# (demo: ADMIN/admin, MARIA/maria, JOAO/joao); $CADSERV_TOKEN, when set, is also accepted as a host
# token. Without a display ($DISPLAY and $WAYLAND_DISPLAY unset) the server keeps running in
# the foreground and the script shows how to replay a session with the automation driver.
set -euo pipefail
cd "$(dirname "$0")/.."

BIN=${CADSERV_BIN:-build/release/bin}
SERVER=$BIN/cadserv-server
DESKTOP=$BIN/cadserv-desktop
DRIVER=$BIN/cadserv-driver
DB=${CADSERV_DB:-cadserv.db}
LISTEN=${CADSERV_LISTEN:-127.0.0.1:8099}
OPERATOR=${CADSERV_OPERATOR:-ADMIN}
BRANCH=${CADSERV_BRANCH:-0001}

if [ ! -x "$SERVER" ]; then
  echo "run: $SERVER não encontrado; rode 'make build' antes." >&2
  exit 1
fi

ARGS=(--listen "$LISTEN" --db "sqlite:$DB")
if [ ! -s "$DB" ]; then
  echo "Criando $DB com os dados de demonstração..."
  ARGS+=(--demo)
fi
# A demo database made before operators signed in has no passwords: ADMIN gets the demo one.
if [ -s "$DB" ] && command -v sqlite3 >/dev/null &&
   [ "$(sqlite3 "$DB" "SELECT COUNT(*) FROM SENHAOPER" 2>/dev/null || echo 0)" = "0" ]; then
  echo "O banco $DB não tem senhas de operador: ADMIN recebe a senha de demonstração 'admin'."
  echo admin | "$SERVER" senha --db "sqlite:$DB" --operator ADMIN >/dev/null
fi

HAS_DISPLAY=
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then HAS_DISPLAY=1; fi

if [ -z "$HAS_DISPLAY" ]; then
  cat <<MSG
Sem tela gráfica (\$DISPLAY e \$WAYLAND_DISPLAY não definidos): o aplicativo desktop não abre.
Uma sessão de demonstração pode ser reproduzida com o driver de automação, que lê comandos JSON,
um por linha, e responde um JSON por linha. Por exemplo, com o servidor embutido no próprio driver:

  printf '%s\n' '{"cmd":"open","entry":"CriaCadServico"}' '{"cmd":"forms"}' \\
    | $DRIVER --embedded --db sqlite:$DB

ou contra este servidor (em outro terminal):

  echo '{"cmd":"open","entry":"CriaCadServico"}' \\
    | $DRIVER --server http://$LISTEN --operator $OPERATOR --password admin --branch $BRANCH

Servidor de aplicação: http://$LISTEN  (banco $DB)
Senhas de demonstração: ADMIN/admin, MARIA/maria, JOAO/joao
Exemplo de chamada (entrada, depois a chamada com o token recebido):
  curl -s http://$LISTEN/login -d '{"operator":"$OPERATOR","password":"admin"}'
  curl -s http://$LISTEN/rpc -H 'Authorization: Bearer TOKEN_RECEBIDO' \\
    -d '{"server":"Ger04100.rdmCadastroServ","method":"GetServico","args":["$BRANCH",""]}'
Ctrl+C encerra.
MSG
  exec "$SERVER" "${ARGS[@]}"
fi

if [ ! -x "$DESKTOP" ]; then
  echo "run: $DESKTOP não encontrado; rode 'make build' antes." >&2
  exit 1
fi

"$SERVER" "${ARGS[@]}" &
SERVER_PID=$!
# The server stops with the desktop, or when this script is interrupted.
trap 'kill "$SERVER_PID" 2>/dev/null || true; wait "$SERVER_PID" 2>/dev/null || true' EXIT INT TERM

# Wait until the server answers (the first run also creates the demo database).
for _ in $(seq 1 100); do
  if ! kill -0 "$SERVER_PID" 2>/dev/null; then
    echo "run: o servidor de aplicação terminou ao iniciar." >&2
    exit 1
  fi
  if curl -sf "http://$LISTEN/health" >/dev/null 2>&1; then break; fi
  sleep 0.2
done

echo "Servidor de aplicação em http://$LISTEN (banco $DB); abrindo o aplicativo desktop..."
echo "Senhas de demonstração: ADMIN/admin, MARIA/maria, JOAO/joao"
"$DESKTOP" --server "http://$LISTEN" --operator "$OPERATOR" --branch "$BRANCH" \
  --db "sqlite:$DB" --open GER04100 || true
