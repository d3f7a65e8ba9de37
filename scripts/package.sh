#!/usr/bin/env bash
# Builds the Debian package from this clone: a Release build of its own
# (build-pkg, no sanitizers, no tests), CPack's DEB generator, then lintian
# (errors fail the script; warnings are printed). The result:
# build-pkg/tessaryn_<version>-1_<arch>.deb, installed with
#   sudo apt-get install ./build-pkg/tessaryn_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

build=${TSRN_PACKAGE_BUILD_DIR:-build-pkg}
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTSRN_BUILD_TESTS=OFF -DTSRN_BUILD_BENCH=OFF -DTSRN_SANITIZE=OFF "${launcher[@]}"
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/tessaryn_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/tessaryn_*.deb)

if command -v lintian >/dev/null; then
    # Runs as root in CI: lintian refuses that without --allow-root.
    lintian --allow-root --fail-on error --info "$deb"
else
    echo "package.sh: lintian is not installed; the package was not checked" >&2
fi
echo "$deb"
