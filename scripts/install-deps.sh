#!/usr/bin/env bash
# Installs the Debian packages the project and its scripts need (python3 picks a free port in
# with-postgres.sh, curl probes the server in run.sh), skipping those already present. Fails when
# the package index cannot be read, rather than installing from a stale or empty one.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config make
  libgtest-dev libgmock-dev libbenchmark-dev librapidcheck-dev
  libsqlite3-dev sqlite3
  libpqxx-dev postgresql
  nlohmann-json3-dev libcpp-httplib-dev libboost-dev libsimdjson-dev
  libspdlog-dev libcli11-dev libsodium-dev
  qt6-base-dev qt6-translations-l10n
  libcairo2-dev poppler-utils libxlsxwriter-dev unzip
  curl python3
  clang libclang-rt-dev clang-format clang-tidy
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Instalando pacotes: ${missing[*]}"
# sudo resets the environment: the non-interactive frontend is passed through env.
AS_ROOT=(env DEBIAN_FRONTEND=noninteractive)
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "install-deps: faltam pacotes e não há sudo para instalá-los: ${missing[*]}" >&2
    exit 1
  fi
  AS_ROOT=(sudo env DEBIAN_FRONTEND=noninteractive)
fi
if ! "${AS_ROOT[@]}" apt-get update -q --error-on=any; then
  echo "install-deps: não foi possível ler o índice de pacotes (apt-get update falhou)." >&2
  exit 1
fi
"${AS_ROOT[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
