#!/usr/bin/env bash
# Builds Tessaryn and lays out its installation medium (build/medium). When
# Tessaryn is not installed yet, starts the setup wizard from the medium
# (its last page can start the program); otherwise starts the installed program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTSRN_BUILD_TESTS=OFF
cmake --build build -j "$(nproc)"
medium=build/medium
if [[ -x $medium/setup ]]; then
    if folder=$("$medium/setup" --installed); then
        cd "$folder"
        exec ./tsrn "$@"
    fi
    cd "$medium"
    exec ./setup
fi
if [[ -x build/tools/tsrn/tsrn ]]; then
    exec build/tools/tsrn/tsrn "$@"
fi
exec build/tools/tsrnctl/tsrnctl "${@:---help}"
