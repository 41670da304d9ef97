#!/usr/bin/env bash
# Builds the Debian package from a configured build folder and checks what it holds.
#   packaging/check_package.sh <build folder>
# Builds the program and its icons, runs cpack (the package lands in <build folder>/package/),
# unpacks the package into a scratch folder and checks the program, the menu entry (with
# desktop-file-validate), every icon size, the help page, the demo files, the documents and the
# Depends and Recommends fields. Prints every failure and exits non-zero when there was one.
# Needs dpkg-dev (dpkg-shlibdeps), file and desktop-file-utils.
set -euo pipefail

say() { printf '%s\n' "check_package: $*" >&2; }
die() { say "FAILED: $*"; exit 1; }

[ $# -eq 1 ] || die "usage: packaging/check_package.sh <build folder>"
build=$(readlink -f "$1")
source_dir=$(dirname "$(dirname "$(readlink -f "$0")")")
[ -f "$build/CMakeCache.txt" ] || die "$build is not a configured build folder (no CMakeCache.txt)"
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate file; do
    command -v "$tool" >/dev/null || die "$tool is missing (packages: cmake, dpkg-dev, desktop-file-utils, file)"
done

say "building the program and its icons in $build"
cmake --build "$build" --target vorlan vorlan_icons >/dev/null || die "the build failed"
# The build configures the folder anew when the CMake files changed since.
[ -f "$build/CPackConfig.cmake" ] \
    || die "$build has no CPackConfig.cmake (a sanitized build is never packaged)"

out="$build/package"
rm -f "$out"/vorlan_*.deb
say "making the package"
log=$(mktemp)
root=$(mktemp -d)
trap 'rm -rf "$root" "$log"' EXIT
(cd "$build" && cpack -G DEB -B "$out") >"$log" 2>&1 || { cat "$log" >&2; die "cpack failed"; }
shopt -s nullglob
debs=("$out"/vorlan_*.deb)
shopt -u nullglob
[ ${#debs[@]} -eq 1 ] || { cat "$log" >&2; die "expected one vorlan_*.deb in $out, found ${#debs[@]}"; }
deb=${debs[0]}
say "package: $deb"

failures=0
fail() { say "FAILED: $*"; failures=$((failures + 1)); }
ok() { say "ok: $*"; }

dpkg-deb -x "$deb" "$root" || die "dpkg-deb could not unpack $deb"

# Files that must be there, relative to the unpacked root.
expected=(
    usr/bin/vorlan
    usr/share/applications/vorlan.desktop
    usr/share/vorlan/help/VORLAN.htm
    usr/share/doc/vorlan/copyright
    usr/share/doc/vorlan/README.md
)
for size in 16 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/vorlan.png")
done
# Every demo file of the source tree, less the scripts that make them.
while IFS= read -r -d '' example; do
    expected+=("usr/share/vorlan/examples/${example#"$source_dir"/examples/}")
done < <(find "$source_dir/examples" -type f ! -name '*.py' ! -path '*/__pycache__/*' -print0)

missing=0
for path in "${expected[@]}"; do
    [ -f "$root/$path" ] || { fail "missing /$path"; missing=$((missing + 1)); }
done
[ $missing -ne 0 ] || ok "all ${#expected[@]} expected files are there"

[ -x "$root/usr/bin/vorlan" ] || fail "/usr/bin/vorlan is not executable"
cmp -s "$source_dir/help/VORLAN.htm" "$root/usr/share/vorlan/help/VORLAN.htm" \
    || fail "the installed help page differs from help/VORLAN.htm"

for size in 16 32 48 64 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/vorlan.png"
    [ -f "$icon" ] || continue
    file -b "$icon" | grep -q "^PNG image data, $size x $size," \
        || fail "icon ${size}x${size} is not a PNG of that size: $(file -b "$icon")"
done

# Every library the program links must resolve on this system.
if unresolved=$(ldd "$root/usr/bin/vorlan" 2>&1 | grep 'not found'); then
    fail "libraries of /usr/bin/vorlan not found: $unresolved"
fi

# The unpacked program starts and keeps running (offscreen, in a program folder of its own)
# until it is stopped: a missing library or plugin would end it at once.
start_log="$root/start.log"
rc=0
VORLAN_HOME="$root/home" XDG_RUNTIME_DIR="$root/runtime" QT_QPA_PLATFORM=offscreen \
    timeout 8 "$root/usr/bin/vorlan" >"$start_log" 2>&1 || rc=$?
if [ $rc -eq 124 ]; then
    ok "the unpacked program starts"
else
    fail "the unpacked program ended at start with exit code $rc: $(cat "$start_log")"
fi

desktop="$root/usr/share/applications/vorlan.desktop"
if [ -f "$desktop" ]; then
    if report=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$report" ]; then
        ok "desktop-file-validate accepts the menu entry"
    else
        fail "desktop-file-validate: $report"
    fi
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    [ -x "$root/usr/bin/$exec_name" ] || fail "the menu entry runs '$exec_name', not in /usr/bin"
    icon_name=$(sed -n 's/^Icon=//p' "$desktop")
    [ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon_name.png" ] \
        || fail "the menu entry's icon '$icon_name' is not installed"
    { grep -q '^Name\[cs\]=' "$desktop" && grep -q '^Comment\[cs\]=' "$desktop"; } \
        || fail "the menu entry lacks its Czech name or comment"
fi

# Everything in the package belongs to root.
if owners=$(dpkg-deb --fsys-tarfile "$deb" | tar -tvf - | awk '$2 != "root/root"') \
    && [ -n "$owners" ]; then
    fail "files not owned by root: $owners"
fi

depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6core5compat6 libqt6webenginewidgets6 \
    libodbc2 libsqlite3-0 libzip4 libexpat1 libgsf-1-114 libjpeg62-turbo qt6-qpa-plugins; do
    grep -Eq "(^|, )$lib( |,|$)" <<<"$depends" || fail "Depends does not name $lib"
done
for driver in odbc-mariadb tdsodbc; do
    grep -Eq "(^|, )$driver( |,|$)" <<<"$recommends" || fail "Recommends does not name $driver"
done
[ "$(dpkg-deb -f "$deb" Package)" = vorlan ] || fail "the package is not named vorlan"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] \
    || fail "the package's architecture is not this system's"

say "control fields:"
dpkg-deb -f "$deb" >&2
if [ $failures -ne 0 ]; then
    say "$failures check(s) failed for $deb"
    exit 1
fi
say "the package is complete: $deb"
