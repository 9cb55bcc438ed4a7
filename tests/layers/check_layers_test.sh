#!/usr/bin/env bash
# scripts/check-layers.sh on small trees: it passes a tree that keeps the layer order and fails
# each kind of include that breaks it, naming the file and line.
set -uo pipefail
check=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0

tree() {  # tree FILE INCLUDE: a fresh tree whose only include is FILE including INCLUDE
  rm -rf "$tmp/t" && mkdir -p "$tmp/t/$(dirname "$1")"
  printf '#pragma once\n#include %s\n' "$2" >"$tmp/t/$1"
}
expect() {  # expect pass|fail FILE INCLUDE
  tree "$2" "$3"
  if out=$("$check" "$tmp/t" 2>&1); then got=pass; else got=fail; fi
  if [[ $got != "$1" ]]; then
    echo "FAILED: $2 including $3: expected $1, got $got"; failures=$((failures + 1))
  elif [[ $got == fail && $out != *"$2:2"* ]]; then
    echo "FAILED: $2 including $3: the report does not name $2:2: $out"; failures=$((failures + 1))
  fi
}

expect pass platform/framework/a.h '"platform/db/query.h"'
expect pass platform/report/a.h '"platform/core/variant.h"'
expect pass service_screen/a.h '"platform/report/report.h"'
expect pass hosts/desktop/a.h '<QWidget>'
expect fail platform/core/a.h '"platform/data/dataset.h"'
expect fail platform/db/a.h '"platform/framework/session.h"'
expect fail platform/ui/a.cpp '"appserver/dispatcher.h"'
expect fail appserver/a.cpp '"hosts/common/backend.h"'
expect fail side_screens/x/a.cpp '"appserver/registry.h"'
expect fail service_screen/a.cpp '<QWidget>'
expect fail packages/p/a.cpp '<sqlite3.h>'

echo "$((11 - failures)) passed, $failures failed"
((failures == 0))
