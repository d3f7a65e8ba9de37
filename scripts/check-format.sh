#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format 14 makes of it
# with the repository's .clang-format. Fix with: clang-format -i FILE...
set -euo pipefail
cd "$(dirname "$0")/.."

format=${CLANG_FORMAT:-}
if [[ -z $format ]]; then
    for candidate in clang-format-14 clang-format; do
        if command -v "$candidate" >/dev/null; then
            format=$candidate
            break
        fi
    done
fi
if [[ -z $format ]]; then
    echo "check-format.sh: clang-format not found (Debian package clang-format)" >&2
    exit 1
fi
version=$("$format" --version)
if [[ $version != *"version 14."* ]]; then
    echo "check-format.sh: $format is not clang-format 14 ($version); other versions format differently" >&2
    exit 1
fi

# Tracked files; outside a usable git checkout, every C++ file of the tree.
if ! list=$(git ls-files -z -- '*.cpp' '*.h' '*.inc' 2>/dev/null | tr '\0' '\n'); then
    list=$(find . -path './build*' -prune -o -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.inc' \) -print)
fi
mapfile -t files <<<"$list"
if [[ -z $list ]]; then
    echo "check-format.sh: no C++ files found" >&2
    exit 1
fi
if ! "$format" --dry-run -Werror "${files[@]}"; then
    echo "check-format.sh: the files above are not formatted; run $format -i on them" >&2
    exit 1
fi
echo "format: ${#files[@]} files checked"
