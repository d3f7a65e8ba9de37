#!/usr/bin/env bash
# Builds the package from the build tree (the test build: its layout, not its
# code, is what is checked here), installs it with dpkg into a throw-away root
# and checks what a user gets. Exit 77: skipped, with the reason on stdout.
set -uo pipefail
build=$1
version=$2

skip() {
    echo "SKIPPED: $*"
    exit 77
}
for tool in dpkg-deb dpkg cpack; do
    command -v "$tool" >/dev/null || skip "$tool is missing (install dpkg-dev)"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tsrn-package-$$-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack could not build the package"
    exit 1
fi
deb=$(ls "$work"/out/tessaryn_*.deb 2>/dev/null | head -1)
[[ -n $deb ]] || { echo "FAIL: no tessaryn_*.deb"; exit 1; }
case $(basename "$deb") in
tessaryn_"$version"-1_*.deb) ;;
*) fail "file name $(basename "$deb") does not carry version $version-1" ;;
esac

# Control fields: the version from CMake, the dependencies a user needs.
[[ $(dpkg-deb -f "$deb" Version) == "$version-1" ]] || fail "Version is $(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in fuse3 libfuse3-3 libsqlite3-0 libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins; do
    pattern="(^|[ ,])${needed}([ ,(]|\$)"
    [[ $depends =~ $pattern ]] || fail "Depends lacks $needed: $depends"
done

# Installed with dpkg into a throw-away root.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
if ! dpkg --root="$root" --force-depends --force-not-root --log=/dev/null \
    --force-script-chrootless -i "$deb" >"$work/dpkg.log" 2>&1; then
    cat "$work/dpkg.log"
    fail "dpkg could not install the package"
fi
expected=(
    usr/bin/tsrn usr/bin/tsrnctl usr/lib/tessaryn/tsrnvx
    usr/share/man/man1/tsrn.1.gz usr/share/man/man1/tsrnctl.1.gz usr/share/man/man8/tsrnvx.8.gz
    usr/share/applications/org.tessaryn.Tessaryn.desktop
    usr/share/metainfo/org.tessaryn.Tessaryn.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/tessaryn.svg
    usr/share/doc/tessaryn/copyright usr/share/doc/tessaryn/changelog.Debian.gz
    usr/share/tessaryn/manual/index.html usr/share/tessaryn/manual/manual.css
)
for size in 16 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/tessaryn.png")
done
for path in "${expected[@]}"; do
    [[ -f $root/$path ]] || fail "not installed: /$path"
done
for program in usr/bin/tsrn usr/bin/tsrnctl usr/lib/tessaryn/tsrnvx; do
    [[ -x $root/$program ]] || fail "/$program is not executable"
done
listed=$(dpkg --root="$root" -L tessaryn)
for path in "${expected[@]}"; do
    grep -qx "/$path" <<<"$listed" || fail "dpkg does not list /$path"
done
# Nothing for the installer and its remover: dpkg removes a package itself.
for path in usr/bin/setup usr/bin/remover; do
    [[ ! -e $root/$path ]] || fail "/$path should not be packaged"
done

# The manual's pictures resolve inside the installed tree.
manual=$root/usr/share/tessaryn/manual
for picture in $(grep -o 'src="[^"]*"' "$manual/index.html" | sed 's/src="//; s/"$//'); do
    [[ -f $manual/$picture ]] || fail "the manual's picture $picture is not installed"
done

# Man pages render without warnings and name themselves.
if command -v man >/dev/null; then
    for page in man1/tsrn.1.gz man1/tsrnctl.1.gz man8/tsrnvx.8.gz; do
        file=$root/usr/share/man/$page
        out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>"$work/man.err")
        [[ -s $work/man.err ]] && fail "man $page warns: $(cat "$work/man.err")"
        grep -q "^NAME" <<<"$out" || fail "man $page has no NAME section"
        command -v lexgrog >/dev/null && { lexgrog "$file" >/dev/null || fail "lexgrog $page"; }
    done
    rendered=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$root/usr/share/man/man1/tsrnctl.1.gz" 2>/dev/null)
    for command in encipher decipher recipher folders registry serve recover; do
        grep -q "tsrnctl $command" <<<"$rendered" || fail "tsrnctl.1 lacks the command $command"
    done
    grep -q "Tessaryn $version" <<<"$rendered" || fail "tsrnctl.1 does not carry version $version"
else
    echo "SKIPPED part: man is missing, the man pages were not rendered"
fi

# The menu entry and the metadata pass their validators.
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/usr/share/applications/org.tessaryn.Tessaryn.desktop" ||
        fail "desktop-file-validate"
else
    echo "SKIPPED part: desktop-file-validate is missing (package desktop-file-utils)"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root/usr/share/metainfo/org.tessaryn.Tessaryn.metainfo.xml" \
        >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "appstreamcli validate"; }
else
    echo "SKIPPED part: appstreamcli is missing (package appstream)"
fi
for size in 16 24 32 48 64 128 256; do
    info=$(file -b "$root/usr/share/icons/hicolor/${size}x${size}/apps/tessaryn.png")
    [[ $info == "PNG image data, $size x $size"* ]] || fail "icon ${size}x${size}: $info"
done

# The packaged tools run from the throw-away root.
out=$("$root/usr/bin/tsrnctl" --version 2>&1) || fail "tsrnctl --version: $out"
[[ $out == *"$version"* ]] || fail "tsrnctl --version says '$out', not $version"

# Removal takes every file back.
dpkg --root="$root" --force-depends --force-not-root --log=/dev/null -r tessaryn >/dev/null 2>&1 ||
    fail "dpkg could not remove the package"
left=$(find "$root/usr" -type f 2>/dev/null | head -5)
[[ -z $left ]] || fail "files left after removal: $left"

if ((failures > 0)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "package $(basename "$deb") checked"
