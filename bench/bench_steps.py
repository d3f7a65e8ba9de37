"""Timed steps shared by the driver benchmarks."""
import os
import time


def drop_caches():
    """Empties the page cache (root only); False when it could not."""
    try:
        os.sync()
        with open("/proc/sys/vm/drop_caches", "w") as f:
            f.write("3\n")
        return True
    except OSError:
        return False


def timed(action):
    start = time.perf_counter()
    action()
    return time.perf_counter() - start


def create_small(folder, count):
    data = os.urandom(4096)
    for i in range(count):
        with open(os.path.join(folder, "f%05d" % i), "wb", buffering=0) as f:
            f.write(data)


def read_small(folder):
    for name in os.listdir(folder):
        with open(os.path.join(folder, name), "rb", buffering=0) as f:
            f.read()


def remove_small(folder):
    for name in os.listdir(folder):
        os.unlink(os.path.join(folder, name))


def small_files(folder, count):
    """Seconds to create `count` files of 4 KiB, read them cold, remove them."""
    os.mkdir(folder)
    r = {"create": timed(lambda: create_small(folder, count))}
    drop_caches()
    r["read small"] = timed(lambda: read_small(folder))
    r["remove"] = timed(lambda: remove_small(folder))
    os.rmdir(folder)
    return r
