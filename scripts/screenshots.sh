#!/usr/bin/env bash
# Renders the program's windows and dialogs from the real widgets into
# docs/screenshots/. Uses a virtual X display when one is available (true
# fonts and styles), else Qt's offscreen platform.
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=docs/screenshots

if [[ ! -x $build/tools/tsrn-screenshots/tsrn-screenshots ||
      ! -x $build/tools/tsrn-view-screenshots/tsrn-view-screenshots ]]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" --target tsrn-screenshots tsrn-view-screenshots
fi
mkdir -p "$out"

run() {
    if command -v xvfb-run >/dev/null && [[ -z ${QT_QPA_PLATFORM:-} ]]; then
        xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
    else
        QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$@"
    fi
}

# Each program that renders screenshots takes the output folder; later parts
# of the program add theirs to this list.
shooters=("$build/tools/tsrn-screenshots/tsrn-screenshots"
    "$build/tools/tsrn-view-screenshots/tsrn-view-screenshots")
for shooter in "${shooters[@]}"; do
    run "$shooter" "$out"
done
