#!/usr/bin/env bash
# clang-tidy (.clang-tidy) on the asan build's compile commands. Usage: scripts/tidy.sh [BASE]
# checks the C++ sources changed against BASE (committed or not; default main); scripts/tidy.sh
# --all [PATH...] checks every one, or every one under the given files and folders. Sources the
# asan build does not compile (the benchmarks, the fuzz targets) are left out: there is no compile
# command to check them with. JOBS sets how many clang-tidy run at once (default 2). Exits 1 on
# any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
db=build/asan/compile_commands.json
[ -f "$db" ] || cmake --preset asan >/dev/null

if [ "${1:-}" = "--all" ]; then
  shift
  candidates=$(git ls-files -- "${@:-.}" | grep '\.cpp$' || true)
else
  base=$(git merge-base HEAD "${1:-main}")
  candidates=$( { git diff --name-only --diff-filter=d "$base" -- '*.cpp'; git ls-files --others --exclude-standard -- '*.cpp'; } | sort -u)
fi
files=()
for f in $candidates; do
  grep -qF "\"file\": \"$PWD/$f\"" "$db" && files+=("$f")
done
if [ ${#files[@]} -eq 0 ]; then
  echo "tidy: no C++ source to check"
  exit 0
fi
echo "tidy: ${#files[@]} files"
# clang parses the GCC build's flags: it skips the GCC-only warning options rather than failing.
printf '%s\n' "${files[@]}" |
  xargs -P"${JOBS:-2}" -n4 clang-tidy -p build/asan --quiet --extra-arg=-Wno-unknown-warning-option \
  || exit 1
