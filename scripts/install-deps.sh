#!/usr/bin/env bash
# Installs the Debian packages the project needs, skipping those already present.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config make
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev sqlite3
  libpqxx-dev postgresql
  nlohmann-json3-dev libcpp-httplib-dev libboost-dev
  libspdlog-dev libcli11-dev
  qt6-base-dev
  curl
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
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q || true
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
