#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails, listing them, when C and C++ files differ from what the pinned .clang-format makes of them.
# usage: check_format.sh SOURCE_DIR [--fix]
set -euo pipefail
cd "$1"
formatter=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$formatter" ]; then echo "clang-format is not installed (scripts/setup test installs it)"; exit 1; fi
# The layout was settled with one version; another lays some lines out differently.
if ! "$formatter" --version | grep -q 'version 14\.'; then
    echo "$("$formatter" --version): the tree is formatted with clang-format 14"; exit 1
fi
if [ -d .git ] || [ -f .git ]; then
    mapfile -t files < <(git ls-files -- '*.c' '*.cpp' '*.h')
else
    mapfile -t files < <(find src tools tests bench -name '*.c' -o -name '*.cpp' -o -name '*.h')
fi
if [ "${2:-}" = --fix ]; then "$formatter" -i "${files[@]}"; exit 0; fi
unformatted=()
for file in "${files[@]}"; do
    "$formatter" --dry-run --Werror "$file" 2>/dev/null || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
    printf 'not as .clang-format lays it out: %s\n' "${unformatted[@]}"
    echo "run: tests/style/check_format.sh . --fix"
    exit 1
fi
echo "${#files[@]} files as .clang-format lays them out"
