#!/usr/bin/env bash
# Installs the Debian 12 packages Tessaryn needs to build, test and run, only
# those that are missing. Needs root (apt-get); does nothing when all are there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-svg-dev
    libsqlite3-dev sqlite3
    libfuse3-dev fuse3 e2fsprogs
    libgtest-dev libgmock-dev libbenchmark-dev
    libssl-dev clang clang-format
    libfiu-dev fiu-utils
    libxxhash-dev
    xvfb xauth openbox xdotool
    acl passwd util-linux
    dpkg-dev fakeroot lintian desktop-file-utils appstream man-db
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "Installing: ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
    echo "deps.sh: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
