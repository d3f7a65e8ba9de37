#!/usr/bin/env bash
# Throughput of a Tessaryn mount (tsrnvx, working folder) beside gocryptfs and
# the raw disk, in one run: 512 MiB sequential write and read (cold and warm
# cache), then 10,000 files of 4 KiB created, read cold and removed.
#
#   bench/driver_bench.sh [path/to/tsrnvx]     (default: build-rel, then build)
# Environment: BENCH_DIR (a folder on the disk to measure; default /var/tmp),
#              BENCH_MIB (default 512), BENCH_FILES (default 10000).
# Needs root for dropping the page cache; without it "cold" is warm and says so.
set -euo pipefail
cd "$(dirname "$0")/.."

driver=${1:-}
if [[ -z $driver ]]; then
    for candidate in build-rel/tools/tsrnvx/tsrnvx build/tools/tsrnvx/tsrnvx; do
        [[ -x $candidate ]] && driver=$candidate && break
    done
fi
[[ -x ${driver:-} ]] || { echo "tsrnvx not found; build it (cmake --build build-rel --target tsrnvx)" >&2; exit 2; }
command -v gocryptfs >/dev/null || { echo "gocryptfs is not installed" >&2; exit 2; }

exec python3 - "$(realpath "$driver")" <<'PY'
import os, socket, struct, subprocess, sys, tempfile, time, shutil

driver = sys.argv[1]
mib = int(os.environ.get("BENCH_MIB", "512"))
nfiles = int(os.environ.get("BENCH_FILES", "10000"))
base = tempfile.mkdtemp(prefix="tsrn-bench-", dir=os.environ.get("BENCH_DIR", "/var/tmp"))
password = "bench password"

def drop_caches():
    try:
        os.sync()
        with open("/proc/sys/vm/drop_caches", "w") as f:
            f.write("3\n")
        return True
    except OSError:
        return False

class Tessaryn:
    def __init__(self, folder):
        self.sock, theirs = socket.socketpair()
        self.proc = subprocess.Popen([driver, "--control-fd=%d" % theirs.fileno()],
                                     pass_fds=[theirs.fileno()], stderr=subprocess.DEVNULL)
        theirs.close()
        assert struct.unpack("<4I", self.recv(16))[0] == 0x4C485354
        assert self.request(0xE, password)[0] == 1
        ok, answer = self.request(0x6, folder, 1, 0x01, 0x01)
        assert ok == 1 and answer == 0, "folder refused"
    def recv(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            assert chunk, "driver went away"
            data += chunk
        return data
    def request(self, code, text=None, ins=0, outs=0, answer=0):
        body = text.encode() if text is not None else b""
        length = len(body) if text is not None else 0xFFFFFFFF
        self.sock.sendall(struct.pack("<6I", 0x51525354, code, ins, outs, answer, length) + body)
        reply = struct.unpack("<4I", self.recv(16))
        return reply[1], reply[2]
    def close(self):
        self.sock.close()
        self.proc.wait(timeout=30)

class Gocryptfs:
    def __init__(self, cipher, plain):
        pw = os.path.join(base, "gocryptfs.pw")
        with open(pw, "w") as f:
            f.write(password)
        subprocess.run(["gocryptfs", "-q", "-init", "-extpass", "cat " + pw, cipher],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["gocryptfs", "-q", "-extpass", "cat " + pw, cipher, plain], check=True,
                       stderr=subprocess.DEVNULL)
        self.plain = plain
    def close(self):
        subprocess.run(["fusermount3", "-u", self.plain], check=True)

def timed(action):
    start = time.perf_counter()
    action()
    return time.perf_counter() - start

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

def create_small(folder):
    data = os.urandom(4096)
    for i in range(nfiles):
        with open(os.path.join(folder, "f%05d" % i), "wb", buffering=0) as f:
            f.write(data)

def read_small(folder):
    for name in os.listdir(folder):
        with open(os.path.join(folder, name), "rb", buffering=0) as f:
            f.read()

def remove_small(folder):
    for name in os.listdir(folder):
        os.unlink(os.path.join(folder, name))

def measure(folder):
    big = os.path.join(folder, "big")
    small = os.path.join(folder, "small")
    os.mkdir(small)
    r = {}
    r["write"] = mib / timed(lambda: write_big(big))
    cold = drop_caches()
    r["read cold"] = mib / timed(lambda: read_big(big))
    r["read warm"] = mib / timed(lambda: read_big(big))
    os.unlink(big)
    r["create"] = timed(lambda: create_small(small))
    drop_caches()
    r["read small"] = timed(lambda: read_small(small))
    r["remove"] = timed(lambda: remove_small(small))
    return r, cold

raw = os.path.join(base, "raw"); os.mkdir(raw)
tsrn = os.path.join(base, "tessaryn"); os.mkdir(tsrn)
gcipher = os.path.join(base, "gocryptfs.cipher"); os.mkdir(gcipher)
gplain = os.path.join(base, "gocryptfs.plain"); os.mkdir(gplain)
results = {}
try:
    results["raw disk"], cold = measure(raw)
    g = Gocryptfs(gcipher, gplain)
    try:
        results["gocryptfs"], _ = measure(gplain)
    finally:
        g.close()
    t = Tessaryn(tsrn)
    try:
        results["tessaryn"], _ = measure(tsrn)
    finally:
        t.close()
finally:
    shutil.rmtree(base, ignore_errors=True)

print("driver_bench: %d MiB sequential, %d files of 4 KiB, in %s%s" %
      (mib, nfiles, os.environ.get("BENCH_DIR", "/var/tmp"),
       "" if cold else " (page cache could not be dropped: 'cold' is warm)"))
print("%-10s %10s %10s %10s %9s %9s %9s" %
      ("", "write", "read cold", "read warm", "create", "read", "remove"))
print("%-10s %10s %10s %10s %9s %9s %9s" % ("", "MiB/s", "MiB/s", "MiB/s", "s", "s", "s"))
for name, r in results.items():
    print("%-10s %10.0f %10.0f %10.0f %9.2f %9.2f %9.2f" %
          (name, r["write"], r["read cold"], r["read warm"], r["create"], r["read small"], r["remove"]))
t, g = results["tessaryn"], results["gocryptfs"]
print("tessaryn/gocryptfs: write %.2fx, read cold %.2fx, read warm %.2fx (goal >= 1.5x); "
      "small files time create %.2fx, read %.2fx, remove %.2fx (goal <= 0.8x)" %
      (t["write"] / g["write"], t["read cold"] / g["read cold"], t["read warm"] / g["read warm"],
       t["create"] / g["create"], t["read small"] / g["read small"], t["remove"] / g["remove"]))
PY
