#!/usr/bin/env bash
# Fails when a C++ file of the project differs from what clang-format (.clang-format) makes of it.
set -uo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
    'tools/*.cpp' 'tools/*.h' 'bench/*.cpp' 'bench/*.h')
drift=()
for f in "${files[@]}"; do
    [ -f "$f" ] || continue
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || drift+=("$f")
done
for f in "${drift[@]}"; do
    echo "not formatted: $f (clang-format -i $f)"
done
echo "formatting: ${#files[@]} files checked, ${#drift[@]} not formatted"
[ ${#drift[@]} -eq 0 ]
