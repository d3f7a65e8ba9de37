#!/usr/bin/env bash
# Builds Tessaryn and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTSRN_BUILD_TESTS=OFF
cmake --build build -j "$(nproc)"
if [[ -x build/tools/tsrn/tsrn ]]; then
    exec build/tools/tsrn/tsrn "$@"
fi
exec build/tools/tsrnctl/tsrnctl "${@:---help}"
