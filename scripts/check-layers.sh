#!/usr/bin/env bash
# Checks every #include of the tree at ROOT (default: this repository) against the layer order:
#   platform: core → data → ui → net → db → framework → report, each folder using only those
#             before it and nothing outside platform/;
#   appserver/ uses platform/ only;
#   the screens (service_screen/, side_screens/, packages/) use platform/ and the module, never the
#             server, the hosts, Qt, sockets or the SQL drivers;
#   hosts/, tests/, bench/ and fuzz/ may use anything.
# Prints each offending include as file:line and exits 1 when there is one. The build runs it
# (target cadserv_layers); ctest runs it on a planted upward include to show that it fails.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

layers=(core data ui net db framework report)
rank() {
  local i
  for i in "${!layers[@]}"; do
    [[ ${layers[$i]} == "$1" ]] && { echo "$i"; return; }
  done
  echo -1
}

bad=0
report() {
  echo "$1: $2" >&2
  bad=1
}

# One line per include: file:line:target (quotes or angle brackets stripped).
includes() {
  grep -rnE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "$@" 2>/dev/null |
    sed -E 's/^([^:]+:[0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1:\2/'
}

while IFS=: read -r file line target; do
  from=${file#platform/}
  from=${from%%/*}
  from_rank=$(rank "$from")
  case $target in
    platform/*)
      to=${target#platform/}
      to=${to%%/*}
      to_rank=$(rank "$to")
      if ((from_rank >= 0 && to_rank > from_rank)); then
        report "$file:$line" "platform/$from includes $target, a layer above it"
      fi
      ;;
    appserver/* | service_screen/* | side_screens/* | packages/* | hosts/* | tests/*)
      report "$file:$line" "platform/ includes $target, outside the platform"
      ;;
  esac
done < <(includes platform)

while IFS=: read -r file line target; do
  case $target in
    service_screen/* | side_screens/* | packages/* | hosts/* | tests/*)
      report "$file:$line" "the server includes $target" ;;
  esac
done < <(includes appserver)

while IFS=: read -r file line target; do
  case $target in
    appserver/* | hosts/* | tests/*)
      report "$file:$line" "a screen includes $target" ;;
    Q[A-Za-z]* | qt*/* | Qt*/* | sqlite3.h | pqxx/* | libpq-fe.h | httplib.h | sys/socket.h | boost/asio* | boost/beast*)
      report "$file:$line" "a screen includes <$target> (Qt, sockets and SQL drivers stay behind the platform)" ;;
  esac
done < <(includes service_screen side_screens packages)

if ((bad)); then
  echo "check-layers: includes that run against the layer order (see README.md, Layout)" >&2
  exit 1
fi
