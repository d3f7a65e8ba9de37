#!/usr/bin/env bash
# Speed of a Tessaryn mount (tsrnvx, working folder) beside the raw disk,
# bindfs (a FUSE passthrough: the floor any FUSE daemon pays) and gocryptfs,
# all in one run, each step the median of BENCH_REPEAT rounds (rounds
# interleave the systems so drift hits them alike):
#   - BENCH_MIB MiB sequential write (fsync'd), read cold and read warm;
#   - BENCH_FILES files of 4 KiB created, read cold and removed;
#   - a real tree copied from the system (BENCH_TREE): cp -a in, find cold,
#     grep -r cold and warm, tar c, rm -rf.
#
#   bench/driver_bench.sh [[LABEL=]path/to/tsrnvx ...]
#
# Several drivers may be named (e.g. main=build-main/tools/tsrnvx/tsrnvx
# new=build-rel/tools/tsrnvx/tsrnvx) to compare them in the same run; default
# build-rel, then build.
# Environment: BENCH_DIR (a folder on the disk to measure; default /var/tmp),
#              BENCH_MIB (default 512), BENCH_FILES (default 10000),
#              BENCH_TREE (default /usr/include; "none" skips the tree),
#              BENCH_REPEAT (default 3).
# Needs root for dropping the page cache; without it "cold" is warm and says
# so. bindfs and gocryptfs come from Debian (apt-get install bindfs gocryptfs).
set -euo pipefail
cd "$(dirname "$0")/.."

drivers=()
for arg in "$@"; do
    label=tessaryn
    path=$arg
    if [[ $arg == *=* ]]; then
        label=${arg%%=*}
        path=${arg#*=}
    fi
    [[ -x $path ]] || { echo "tsrnvx not found at $path" >&2; exit 2; }
    drivers+=("$label=$(realpath "$path")")
done
if ((${#drivers[@]} == 0)); then
    for candidate in build-rel/tools/tsrnvx/tsrnvx build/tools/tsrnvx/tsrnvx; do
        [[ -x $candidate ]] && drivers+=("tessaryn=$(realpath "$candidate")") && break
    done
fi
((${#drivers[@]} > 0)) || { echo "tsrnvx not found; build it (cmake --build build-rel --target tsrnvx)" >&2; exit 2; }
for tool in gocryptfs bindfs; do
    command -v $tool >/dev/null || { echo "$tool is not installed (apt-get install $tool)" >&2; exit 2; }
done

exec env PYTHONDONTWRITEBYTECODE=1 python3 - "${drivers[@]}" <<'PY'
import os, statistics, subprocess, sys, tempfile, shutil

sys.path.insert(0, "bench")
import vx_control
from bench_steps import drop_caches, small_files, timed

drivers = [arg.split("=", 1) for arg in sys.argv[1:]]
mib = int(os.environ.get("BENCH_MIB", "512"))
nfiles = int(os.environ.get("BENCH_FILES", "10000"))
tree = os.environ.get("BENCH_TREE", "/usr/include")
repeat = int(os.environ.get("BENCH_REPEAT", "3"))
bench_dir = os.environ.get("BENCH_DIR", "/var/tmp")
base = tempfile.mkdtemp(prefix="tsrn-bench-", dir=bench_dir)
password = "bench password"
root = os.geteuid() == 0

def unmount(point):
    command = ["umount", point] if root else ["fusermount3", "-u", point]
    subprocess.run(command, check=True)

class Raw:
    def __init__(self, folder):
        self.plain = folder
    def close(self):
        pass

class Tessaryn:
    def __init__(self, driver, folder):
        self.plain = folder
        self.driver = vx_control.Driver(driver, password)
        self.driver.serve(1, folder)
    def close(self):
        self.driver.close()

class Gocryptfs:
    def __init__(self, folder):
        cipher = folder + ".cipher"
        os.mkdir(cipher)
        pw = os.path.join(base, "gocryptfs.pw")
        with open(pw, "w") as f:
            f.write(password)
        subprocess.run(["gocryptfs", "-q", "-init", "-extpass", "cat " + pw, cipher],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["gocryptfs", "-q", "-extpass", "cat " + pw, cipher, folder], check=True,
                       stderr=subprocess.DEVNULL)
        self.plain = folder
    def close(self):
        unmount(self.plain)

class Bindfs:
    def __init__(self, folder):
        under = folder + ".under"
        os.mkdir(under)
        subprocess.run(["bindfs", under, folder], check=True)
        self.plain = folder
    def close(self):
        unmount(self.plain)

def write_big(path):
    block = os.urandom(1 << 20)
    with open(path, "wb", buffering=0) as f:
        for _ in range(mib):
            f.write(block)
        os.fsync(f.fileno())

def read_big(path):
    with open(path, "rb", buffering=0) as f:
        while f.read(1 << 20):
            pass

def run(*command):
    return lambda: subprocess.run(command, check=True, stdout=subprocess.DEVNULL)

def tar_out(folder):
    # GNU tar skips reading contents when it sees it writes to /dev/null.
    tar = subprocess.Popen(["tar", "-C", folder, "-cf", "-", "."], stdout=subprocess.PIPE)
    while tar.stdout.read(1 << 20):
        pass
    assert tar.wait() == 0

def measure(folder):
    big = os.path.join(folder, "big")
    r = {}
    r["write"] = mib / timed(lambda: write_big(big))
    drop_caches()
    r["read cold"] = mib / timed(lambda: read_big(big))
    r["read warm"] = mib / timed(lambda: read_big(big))
    os.unlink(big)
    r.update(small_files(os.path.join(folder, "small"), nfiles))
    if tree != "none":
        copy = os.path.join(folder, "tree")
        r["cp -a"] = timed(run("cp", "-a", tree, copy))
        drop_caches()
        r["find cold"] = timed(run("find", copy))
        drop_caches()
        never = "tsrn-bench-no-line-has-this"
        r["grep cold"] = timed(lambda: subprocess.run(["grep", "-r", never, copy],
                                                      stdout=subprocess.DEVNULL))
        r["grep warm"] = timed(lambda: subprocess.run(["grep", "-r", never, copy],
                                                      stdout=subprocess.DEVNULL))
        r["tar c"] = timed(lambda: tar_out(copy))
        r["rm -rf"] = timed(run("rm", "-rf", copy))
    return r

systems = [("raw disk", Raw), ("bindfs", Bindfs), ("gocryptfs", Gocryptfs)]
for label, driver in drivers:
    systems.append((label, lambda folder, d=driver: Tessaryn(d, folder)))

cold = drop_caches()
if tree != "none":
    tree_files = sum(len(files) for _, _, files in os.walk(tree))
    tree_bytes = int(subprocess.run(["du", "-sb", tree], capture_output=True, text=True,
                                    check=True).stdout.split()[0])
    tar_out(tree)  # the copies read a warm source

rounds = {name: [] for name, _ in systems}
try:
    for n in range(repeat):
        for name, make in systems:
            folder = os.path.join(base, "%s-%d" % (name.replace(" ", "-"), n))
            os.mkdir(folder)
            mount = make(folder)
            try:
                rounds[name].append(measure(folder))
            finally:
                mount.close()
            shutil.rmtree(folder, ignore_errors=True)
            for leftover in (folder + ".cipher", folder + ".under"):
                shutil.rmtree(leftover, ignore_errors=True)
finally:
    shutil.rmtree(base, ignore_errors=True)

def median(name, key):
    return statistics.median(r[key] for r in rounds[name])

def cell(name, key, digits):
    values = [r[key] for r in rounds[name]]
    return "%.*f [%.*f-%.*f]" % (digits, statistics.median(values), digits, min(values),
                                 digits, max(values))

print("driver_bench: %d MiB sequential, %d files of 4 KiB, %s, in %s; median [min-max] of %d%s" %
      (mib, nfiles,
       "no tree" if tree == "none" else "tree %s (%d files, %.0f MB)" % (tree, tree_files, tree_bytes / 1e6),
       bench_dir, repeat, "" if cold else " (page cache could not be dropped: 'cold' is warm)"))
columns = [("write", "MiB/s", 0), ("read cold", "MiB/s", 0), ("read warm", "MiB/s", 0),
           ("create", "s", 2), ("read small", "s", 2), ("remove", "s", 2)]
if tree != "none":
    columns += [("cp -a", "s", 2), ("find cold", "s", 2), ("grep cold", "s", 2),
                ("grep warm", "s", 2), ("tar c", "s", 2), ("rm -rf", "s", 2)]
width = max(len(name) for name, _ in systems) + 1
for part in (columns[:6], columns[6:]):
    if not part:
        continue
    print()
    print("%-*s" % (width, "") + "".join("%22s" % ("%s %s" % (key, unit)) for key, unit, _ in part))
    for name, _ in systems:
        print("%-*s" % (width, name) + "".join("%22s" % cell(name, key, d) for key, _, d in part))

# The speed goals, as ratios of medians.
print()
for label, _ in drivers:
    t = lambda key: median(label, key)
    goals = [
        ("write vs raw", t("write") / median("raw disk", "write"), ">=", 0.7),
        ("write vs gocryptfs", t("write") / median("gocryptfs", "write"), ">=", 2.0),
        ("read cold vs bindfs", t("read cold") / median("bindfs", "read cold"), ">=", 0.9),
        ("read warm vs gocryptfs", t("read warm") / median("gocryptfs", "read warm"), ">=", 3.0),
    ]
    for key in ("create", "read small", "remove"):
        goals.append(("%s time vs bindfs" % key, t(key) / median("bindfs", key), "<=", 1.0))
        goals.append(("%s time vs gocryptfs" % key, t(key) / median("gocryptfs", key), "<=", 0.7))
    if tree != "none":
        for key in ("cp -a", "find cold", "grep cold", "grep warm", "tar c", "rm -rf"):
            goals.append(("%s time vs bindfs" % key, t(key) / median("bindfs", key), "<=", 1.0))
    met = sum(1 for _, v, op, g in goals if (v >= g if op == ">=" else v <= g))
    print("%s: %d of %d goals met" % (label, met, len(goals)))
    for what, value, op, goal in goals:
        ok = value >= goal if op == ">=" else value <= goal
        print("  %-30s %6.2fx (goal %s %.1fx) %s" % (what, value, op, goal, "ok" if ok else "MISSED"))
PY
