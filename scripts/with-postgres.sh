#!/usr/bin/env bash
# Runs a command with a throwaway PostgreSQL cluster: initdb into a temporary folder, start the
# server on a free port and a private socket folder, export CADSERV_TEST_PG_URL for the tests,
# run the command, then stop and remove the cluster whatever the command's outcome.
#
# The test programs append to $CADSERV_TEST_TALLY how many cases used PostgreSQL (and how many of
# those failed); the total is printed at the end. Under CI (CI=true, or CADSERV_REQUIRE_POSTGRES=1
# as .ci/run sets) a missing PostgreSQL or a run in which no PostgreSQL case ran is a failure, so
# the PostgreSQL half of the suite cannot silently vanish.
set -euo pipefail

REQUIRE=0
if [ "${CI:-}" = "true" ] || [ "${CADSERV_REQUIRE_POSTGRES:-0}" = "1" ]; then REQUIRE=1; fi

PGBIN=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1 || true)
if [ -z "$PGBIN" ] || [ ! -x "$PGBIN/initdb" ]; then
  if [ "$REQUIRE" = 1 ]; then
    echo "with-postgres: PostgreSQL não encontrado e a integração contínua exige os testes de PostgreSQL." >&2
    exit 1
  fi
  echo "with-postgres: PostgreSQL não encontrado; testes de PostgreSQL serão pulados." >&2
  exec "$@"
fi

WORK=$(mktemp -d /tmp/cadserv-pg.XXXXXX)
TALLY=$(mktemp /tmp/cadserv-pg-tally.XXXXXX)
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
RUNAS=()
if [ "$(id -u)" -eq 0 ]; then
  # PostgreSQL refuses to run as root.
  chown postgres "$WORK"
  RUNAS=(runuser -u postgres --)
fi

cleanup() {
  "${RUNAS[@]}" "$PGBIN/pg_ctl" -D "$WORK/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$WORK" "$TALLY"
}
trap cleanup EXIT

"${RUNAS[@]}" "$PGBIN/initdb" -D "$WORK/data" -U cadserv -A trust --no-sync -E UTF8 >"$WORK/initdb.log" 2>&1 || {
  cat "$WORK/initdb.log" >&2; exit 1; }
"${RUNAS[@]}" "$PGBIN/pg_ctl" -D "$WORK/data" -l "$WORK/server.log" -w \
  -o "-p $PORT -k $WORK -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
  start >/dev/null || { cat "$WORK/server.log" >&2; exit 1; }
"${RUNAS[@]}" "$PGBIN/createdb" -h 127.0.0.1 -p "$PORT" -U cadserv cadserv_test

export CADSERV_TEST_PG_URL="postgresql://cadserv@127.0.0.1:$PORT/cadserv_test"
export CADSERV_TEST_TALLY="$TALLY"
echo "with-postgres: cluster em $CADSERV_TEST_PG_URL"
status=0
"$@" || status=$?

# Each line of the tally: "<cases on PostgreSQL> <of which failed>", one per test program run.
read -r ran failed < <(awk '{ r += $1; f += $2 } END { print r + 0, f + 0 }' "$TALLY")
echo "with-postgres: $ran caso(s) de teste rodaram no PostgreSQL ($failed com falha)."
if [ "$REQUIRE" = 1 ] && [ "$ran" -eq 0 ] && [ "$status" -eq 0 ]; then
  echo "with-postgres: nenhum caso de PostgreSQL rodou; a integração contínua exige essa metade da suíte." >&2
  status=1
fi
exit "$status"
