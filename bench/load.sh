#!/usr/bin/env bash
# Load test: N concurrent cadserv-driver sessions against one server on SQLite and one and two
# servers on one PostgreSQL database (bench/load.py says what each session does and what is
# reported). Builds the release preset's server, driver and screen module first, and runs with a
# throwaway PostgreSQL cluster (scripts/with-postgres.sh; without PostgreSQL only SQLite runs).
# Arguments go to bench/load.py, e.g. bench/load.sh --n 1,4,16 --seconds 20.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release -j"${JOBS:-2}" --target cadserv-server cadserv-driver cadserv_ger04100
exec scripts/with-postgres.sh python3 bench/load.py --bin build/release/bin "$@"
