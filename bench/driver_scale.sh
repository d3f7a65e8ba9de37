#!/usr/bin/env bash
# One driver serving many folders: registers SCALE_FOLDERS sibling folders
# (default 1000) with a single tsrnvx and reports the time to mount them all,
# its threads and resident memory, and the small-file figures (BENCH_FILES
# files of 4 KiB created, read cold, removed; medians of BENCH_REPEAT) in one
# of the folders with all mounts present and again with that folder alone.
#
#   bench/driver_scale.sh [path/to/tsrnvx]     (default: build-rel, then build)
# Environment: BENCH_DIR (default /var/tmp), SCALE_FOLDERS (default 1000),
#              BENCH_FILES (default 10000), BENCH_REPEAT (default 3).
set -euo pipefail
cd "$(dirname "$0")/.."

driver=${1:-}
if [[ -z $driver ]]; then
    for candidate in build-rel/tools/tsrnvx/tsrnvx build/tools/tsrnvx/tsrnvx; do
        [[ -x $candidate ]] && driver=$candidate && break
    done
fi
[[ -x ${driver:-} ]] || { echo "tsrnvx not found; build it (cmake --build build-rel --target tsrnvx)" >&2; exit 2; }

exec env PYTHONDONTWRITEBYTECODE=1 python3 - "$(realpath "$driver")" <<'PY'
import os, shutil, statistics, sys, tempfile, time

sys.path.insert(0, "bench")
import vx_control
from bench_steps import small_files

program = sys.argv[1]
count = int(os.environ.get("SCALE_FOLDERS", "1000"))
nfiles = int(os.environ.get("BENCH_FILES", "10000"))
repeat = int(os.environ.get("BENCH_REPEAT", "3"))
base = tempfile.mkdtemp(prefix="tsrn-scale-", dir=os.environ.get("BENCH_DIR", "/var/tmp"))
folders = [os.path.join(base, "f%04d" % i) for i in range(1, count + 1)]

def mounts_below(path):
    with open("/proc/self/mountinfo") as table:
        points = [line.split()[4] for line in table]
    return [p for p in points if p == path or p.startswith(path + "/")]

def small(folder):
    rounds = [small_files(os.path.join(folder, "small%d" % n), nfiles) for n in range(repeat)]
    return {key: (statistics.median(r[key] for r in rounds), min(r[key] for r in rounds),
                  max(r[key] for r in rounds)) for key in rounds[0]}

def show(label, figures):
    print("  %-28s" % label + "  ".join("%s %.2f s [%.2f-%.2f]" % (key, *figures[key])
                                        for key in ("create", "read small", "remove")))

for folder in folders:
    os.mkdir(folder)
driver = vx_control.Driver(program, "scale password")
try:
    idle = (driver.status("Threads"), driver.status("VmRSS"))
    start = time.perf_counter()
    for slot, folder in enumerate(folders, 1):
        driver.serve(slot, folder)
    mount_time = time.perf_counter() - start
    mounted = len(mounts_below(base))
    time.sleep(1)
    busy = (driver.status("Threads"), driver.status("VmRSS"))
    with_all = small(folders[0])
    after = (driver.status("Threads"), driver.status("VmRSS"))
    start = time.perf_counter()
    for slot in range(2, count + 1):
        driver.clear(slot)
    clear_time = time.perf_counter() - start
    alone = small(folders[0])
    single = (driver.status("Threads"), driver.status("VmRSS"))
finally:
    driver.close()
    left = mounts_below(base)
    shutil.rmtree(base, ignore_errors=True) if not left else None

print("driver_scale: %d folders, one driver (%s), %d files of 4 KiB, median [min-max] of %d" %
      (count, program, nfiles, repeat))
print("  mounted %d of %d in %.2f s; %d unmounted again in %.2f s" %
      (mounted, count, mount_time, count - 1, clear_time))
print("  threads / resident: no folder %d / %.0f MB; %d folders %d / %.0f MB; after the files %d / %.0f MB; one folder %d / %.0f MB" %
      (idle[0], idle[1] / 1024, count, busy[0], busy[1] / 1024, after[0], after[1] / 1024,
       single[0], single[1] / 1024))
show("with %d mounts:" % count, with_all)
show("with one mount:", alone)
if left:
    print("MOUNTS LEFT BEHIND: %s" % " ".join(left), file=sys.stderr)
    sys.exit(1)
PY
