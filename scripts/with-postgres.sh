#!/usr/bin/env bash
# Runs a command with a throwaway PostgreSQL cluster: initdb into a temporary folder, start the
# server on a free port and a private socket folder, export CADSERV_TEST_PG_URL for the tests,
# run the command, then stop and remove the cluster whatever the command's outcome.
set -euo pipefail

PGBIN=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1 || true)
if [ -z "$PGBIN" ] || [ ! -x "$PGBIN/initdb" ]; then
  echo "with-postgres: PostgreSQL não encontrado; testes de PostgreSQL serão pulados." >&2
  exec "$@"
fi

WORK=$(mktemp -d /tmp/cadserv-pg.XXXXXX)
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])' 2>/dev/null || echo 55432)
RUNAS=()
if [ "$(id -u)" -eq 0 ]; then
  # PostgreSQL refuses to run as root.
  chown postgres "$WORK"
  RUNAS=(runuser -u postgres --)
fi

cleanup() {
  "${RUNAS[@]}" "$PGBIN/pg_ctl" -D "$WORK/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$WORK"
}
trap cleanup EXIT

"${RUNAS[@]}" "$PGBIN/initdb" -D "$WORK/data" -U cadserv -A trust --no-sync -E UTF8 >"$WORK/initdb.log" 2>&1 || {
  cat "$WORK/initdb.log" >&2; exit 1; }
"${RUNAS[@]}" "$PGBIN/pg_ctl" -D "$WORK/data" -l "$WORK/server.log" -w \
  -o "-p $PORT -k $WORK -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
  start >/dev/null || { cat "$WORK/server.log" >&2; exit 1; }
"${RUNAS[@]}" "$PGBIN/createdb" -h 127.0.0.1 -p "$PORT" -U cadserv cadserv_test

export CADSERV_TEST_PG_URL="postgresql://cadserv@127.0.0.1:$PORT/cadserv_test"
echo "with-postgres: cluster em $CADSERV_TEST_PG_URL"
"$@"
