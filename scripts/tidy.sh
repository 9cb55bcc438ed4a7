#!/usr/bin/env bash
# clang-tidy (.clang-tidy) on the builds' compile commands. Usage: scripts/tidy.sh [BASE] checks the
# C++ sources changed against BASE (committed or not; default main); scripts/tidy.sh --all [PATH...]
# checks every one, or every one under the given files and folders. Each source is checked with the
# commands of the first build that compiles it: the asan build (the product and its tests), the fuzz
# build (the fuzz targets), the release build (the benchmarks); a build not configured yet is
# configured first. The large-branch benchmark includes the main screen's generated binding, so the
# release build must have been built once (`make build-release-ci`) before it is checked. JOBS sets
# how many clang-tidy run at once (default 2). Exits 1 on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
builds=(asan fuzz release)

if [ "${1:-}" = "--all" ]; then
  shift
  candidates=$(git ls-files -- "${@:-.}" | grep '\.cpp$' || true)
else
  base=$(git merge-base HEAD "${1:-main}")
  candidates=$( { git diff --name-only --diff-filter=d "$base" -- '*.cpp'; git ls-files --others --exclude-standard -- '*.cpp'; } | sort -u)
fi
declare -A files
count=0
for f in $candidates; do
  for b in "${builds[@]}"; do
    db=build/$b/compile_commands.json
    [ -f "$db" ] || cmake --preset "$b" >/dev/null || continue
    if grep -qF "\"file\": \"$PWD/$f\"" "$db"; then
      files[$b]+="$f"$'\n'
      count=$((count + 1))
      break
    fi
  done
done
if [ "$count" -eq 0 ]; then
  echo "tidy: no C++ source to check"
  exit 0
fi
echo "tidy: $count files"
status=0
for b in "${builds[@]}"; do
  [ -n "${files[$b]:-}" ] || continue
  # clang parses the GCC builds' flags: it skips the GCC-only warning options rather than failing.
  printf '%s' "${files[$b]}" |
    xargs -P"${JOBS:-2}" -n4 clang-tidy -p "build/$b" --quiet --extra-arg=-Wno-unknown-warning-option || status=1
done
exit $status
