#!/usr/bin/env bash
# Runs pjdfstest and xfstests' fsx inside a ciphered mount served by this
# build's tsrnctl serve (and so its tsrnvx). Fetches and builds nothing: the
# suites' built binaries are named in the environment (docs/driver.md says how
# to build them). After each fsx run the raw bytes on disk are checked
# against the tests' reference cipher.
#
#   scripts/conformance.sh [--slice]
#
# --slice: the quick part the test command runs (a few pjdfstest directories,
#          fsx with fewer operations).
# Environment:
#   PJDFSTEST_DIR  a built pjdfstest tree (holds pjdfstest and tests/)
#   FSX_BIN        a built fsx (xfstests' ltp/fsx)
#   TSRN_BUILD_DIR the build holding tsrnctl, tsrnvx, tsrn_format_check
#                  (default build-ci)
#   PJD_TESTS      pjdfstest directories to run (default: all; --slice: open
#                  truncate ftruncate rename unlink link rmdir symlink)
#   FSX_OPS        operations per fsx run (default 250000, a million over the
#                  four seeds; --slice 20000)
#   FSX_SEEDS      fsx seeds (default "1 2 3 4"; --slice "1 2")
#   CONFORMANCE_DIR where the ciphered folder goes (default /var/tmp)
# Each suite run ends after 10 minutes (an hour for the whole), as a hang.
# A suite whose binary is not named (or not there) is skipped with a message;
# pjdfstest is skipped without root. Exits non-zero when a suite that ran
# failed.
set -euo pipefail
cd "$(dirname "$0")/.."

slice=0
if [[ ${1:-} == --slice ]]; then
    slice=1
elif [[ -n ${1:-} ]]; then
    echo "usage: scripts/conformance.sh [--slice]" >&2
    exit 2
fi

build=$(realpath "${TSRN_BUILD_DIR:-build-ci}")
tsrnctl=$build/tools/tsrnctl/tsrnctl
tsrnvx=$build/tools/tsrnvx/tsrnvx
checker=$build/tests/tsrnvx/tsrn_format_check
for program in "$tsrnctl" "$tsrnvx" "$checker"; do
    [[ -x $program ]] || { echo "conformance: $program is not built" >&2; exit 2; }
done

if ((slice)); then
    pjd_tests=${PJD_TESTS:-open truncate ftruncate rename unlink link rmdir symlink}
    fsx_ops=${FSX_OPS:-20000}
    fsx_seeds=${FSX_SEEDS:-1 2}
    limit=600
    # open/25 stores 2 GiB of ciphertext zeros: the whole run has it.
    pjd_skip=open/25.t
    disk_size=256M
else
    pjd_tests=${PJD_TESTS:-}
    fsx_ops=${FSX_OPS:-250000}
    fsx_seeds=${FSX_SEEDS:-1 2 3 4}
    limit=3600
    pjd_skip=
    disk_size=3G
fi

run_pjd=1
if [[ -z ${PJDFSTEST_DIR:-} || ! -x ${PJDFSTEST_DIR:-}/pjdfstest || ! -d ${PJDFSTEST_DIR:-}/tests ]]; then
    echo "conformance: SKIPPED pjdfstest: PJDFSTEST_DIR (${PJDFSTEST_DIR:-unset}) is no built pjdfstest tree" >&2
    run_pjd=0
elif [[ $(id -u) -ne 0 ]]; then
    echo "conformance: SKIPPED pjdfstest: it needs root" >&2
    run_pjd=0
elif ! command -v prove >/dev/null; then
    echo "conformance: SKIPPED pjdfstest: prove (perl) is not installed" >&2
    run_pjd=0
fi
run_fsx=1
if [[ -z ${FSX_BIN:-} || ! -x ${FSX_BIN:-} ]]; then
    echo "conformance: SKIPPED fsx: FSX_BIN (${FSX_BIN:-unset}) is no built fsx" >&2
    run_fsx=0
fi
if ((!run_pjd && !run_fsx)); then
    exit 0
fi
if [[ ! -r /dev/fuse || ! -w /dev/fuse ]]; then
    echo "conformance: SKIPPED everything: /dev/fuse is not usable here" >&2
    exit 0
fi

work=$(mktemp -d "${CONFORMANCE_DIR:-/var/tmp}/tsrn-conformance-XXXXXX")
chmod 755 "$work"
mkdir "$work/registry" "$work/plain" "$work/fsx-logs"
disk=
serve_pid=

stop_serving() {
    if [[ -n $serve_pid ]]; then
        kill -TERM "$serve_pid" 2>/dev/null || true
        wait "$serve_pid" 2>/dev/null || true
        serve_pid=
    fi
}

cleanup() {
    stop_serving
    local point
    for point in $(awk -v w="$work" '$3 ~ /^fuse/ && index($2, w) == 1 { print $2 }' /proc/mounts |
        sort -r); do
        echo "conformance: a mount was left at $point; detaching it" >&2
        fusermount3 -u -z "$point" 2>/dev/null || umount -l "$point" 2>/dev/null || true
    done
    if [[ -n $disk ]] && mountpoint -q "$disk"; then
        umount "$disk" || umount -l "$disk"
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# An extension the driver cannot refuse writes until the file system is
# full (pjdfstest truncates to 999,999,999,999,999 bytes): as root the folder
# lives on a sparse file system of its own, for the whole run with room for
# pjdfstest's write past 2 GiB (every byte of an extension is stored).
if [[ $(id -u) -eq 0 ]]; then
    disk=$work/disk
    mkdir "$disk"
    truncate -s "$disk_size" "$work/disk.img"
    # 4 KiB blocks as on a real disk: mkfs gives a small image 1 KiB blocks,
    # where ext4 refuses a symlink longer than 1023 bytes (symlink/03).
    mkfs.ext4 -q -F -b 4096 "$work/disk.img"
    mount -o loop "$work/disk.img" "$disk"
    chmod 755 "$disk"
    folder=$disk/ciphered
else
    folder=$work/ciphered
fi
mkdir "$folder"
chmod 777 "$folder"
printf 'conformance password\n' >"$work/password"
printf '[pathes]\npath=%s\n' "$folder" >"$work/list.ini"

start_serving() {
    : >"$work/serve.log"
    TSRN_REGISTRY_DIR=$work/registry TSRN_SYSTEM_DIR=$(dirname "$tsrnvx") \
        TSRN_STATE_DIR=$work/registry \
        "$tsrnctl" serve --use "$work/list.ini" --password-stdin \
        <"$work/password" >"$work/serve.log" 2>&1 &
    serve_pid=$!
    local waited=0
    until grep -q '^serving' "$work/serve.log"; do
        if ! kill -0 "$serve_pid" 2>/dev/null || ((waited >= 300)); then
            cat "$work/serve.log" >&2
            echo "conformance: tsrnctl serve did not start serving" >&2
            exit 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    if ! grep -q "served  $folder\$" "$work/serve.log"; then
        cat "$work/serve.log" >&2
        echo "conformance: the folder was not served" >&2
        exit 1
    fi
}

status=0

if ((run_pjd)); then
    start_serving
    mkdir "$folder/pjd"
    targets=()
    if [[ -z $pjd_tests ]]; then
        targets=("$(realpath "$PJDFSTEST_DIR")/tests")
    else
        for t in $pjd_tests; do
            for file in "$(realpath "$PJDFSTEST_DIR")/tests/$t" "$(realpath "$PJDFSTEST_DIR")/tests/$t"/*.t; do
                [[ -f $file && $file != */$pjd_skip ]] && targets+=("$file")
            done
        done
    fi
    echo "conformance: pjdfstest ${pjd_tests:-(all)} in a ciphered mount"
    if ! (cd "$folder/pjd" && timeout -k 10 "$limit" prove -r "${targets[@]}") >"$work/pjd.log" 2>&1; then
        status=1
    fi
    sed -n '/^Test Summary Report/,$p' "$work/pjd.log"
    tail -1 "$work/pjd.log"
    stop_serving
fi

if ((run_fsx)); then
    for seed in $fsx_seeds; do
        start_serving
        name=fsx.$seed
        echo "conformance: fsx seed $seed, $fsx_ops operations"
        if ! timeout -k 10 "$limit" "$FSX_BIN" -N "$fsx_ops" -S "$seed" -P "$work/fsx-logs" "$folder/$name" \
            >"$work/fsx.log" 2>&1; then
            tail -40 "$work/fsx.log"
            echo "conformance: fsx seed $seed FAILED" >&2
            status=1
            stop_serving
            continue
        fi
        grep -i 'disabling' "$work/fsx.log" | sort -u || true
        tail -1 "$work/fsx.log"
        cp "$folder/$name" "$work/plain/$name"
        stop_serving
        # The mount is gone: what the folder holds now is the raw disk.
        if ! "$checker" "$work/password" "$work/plain/$name" "$folder/$name"; then
            echo "conformance: fsx seed $seed left bytes on disk that are not in the format" >&2
            status=1
        fi
    done
fi

if ((status == 0)); then
    echo "conformance: passed"
fi
exit $status
