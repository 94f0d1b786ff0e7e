#!/usr/bin/env bash
# check-package.sh BUILD_DIR VERSION CPACK
# Makes the Debian package from the build folder, unpacks it into a temporary root (dpkg -x) and
# runs the programs from there: they start, reach the simulated unit, and find their data
# (firmware, sample database) in the unpacked tree. The build folder is checked the same way.
# Exit status 77 (skipped) when dpkg-deb is missing.
set -euo pipefail
build="$(realpath "$1")"
version="$2"
cpack="$3"
if ! command -v dpkg-deb >/dev/null; then
    echo "dpkg-deb is missing: no Debian package to check"
    exit 77
fi
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi
deb="$(find "$work/out" -maxdepth 1 -name '*.deb')"
[ "$(basename "$deb")" = "zr48_${version}_$(dpkg --print-architecture).deb" ] || fail "the package is '$deb'"
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libqt6widgets6 libftdi1-2 zlib1g qt6-qpa-plugins; do
    case "$depends" in *"$library"*) ;; *) fail "Depends lacks $library: $depends" ;; esac
done
dpkg-deb -x "$deb" "$work/root"
root="$(realpath "$work/root")"

# The programs of a tree (bin/ beside share/zr48/) in a clean environment: no settings file.
check_tree() { # PREFIX
    local prefix="$1" out
    local run=(env -i "HOME=$work/home" "XDG_CONFIG_HOME=$work/config" "PATH=/usr/bin:/bin" QT_QPA_PLATFORM=offscreen)
    out="$("${run[@]}" "$prefix/bin/zr48" --version 2>&1)" || fail "$prefix: zr48 --version failed: $out"
    [ "$out" = "zr48 $version" ] || fail "$prefix: zr48 --version says '$out'"
    out="$("${run[@]}" "$prefix/bin/zr48" --link sim status 2>&1)" || fail "$prefix: zr48 --link sim status failed: $out"
    grep -q '^Connected' <<<"$out" || fail "$prefix: zr48 --link sim status says '$out'"
    out="$("${run[@]}" "$prefix/bin/zr48" --link sim version 2>&1)" || fail "$prefix: zr48 --link sim version failed: $out"
    grep -qx "Firmware file: *$prefix/share/zr48/Firmware/ZR48.BIN" <<<"$out" ||
        fail "$prefix: the demonstration firmware is not found: $out"
    grep -q '^File version: *R48+' <<<"$out" || fail "$prefix: the firmware file has no version: $out"
    out="$("${run[@]}" "$prefix/bin/zr48" settings 2>&1)" || fail "$prefix: zr48 settings failed: $out"
    grep -qx "Database *$prefix/share/zr48/database/" <<<"$out" || fail "$prefix: the sample database is not the default: $out"
    [ -f "$prefix/share/zr48/database/version.txt" ] || fail "$prefix: the sample database has no version.txt"
    # The README's walk-through, as an ordinary user: the samples copied to a folder of one's own.
    local walk="$work/walk-$(basename "$prefix")"
    if [ -f "$prefix/share/zr48/examples/projects/Villa/Villa.mpj" ]; then
        cp -rL "$prefix/share/zr48/examples" "$walk"
        out="$(cd "$walk" && "${run[@]}" "$prefix/bin/zr48" compile projects/Villa/Villa.mpj 2>&1 &&
            "${run[@]}" "$prefix/bin/zr48" --link sim:card.zr48 download projects/Villa/Villa.mpj --verify 2>&1 &&
            "${run[@]}" "$prefix/bin/zr48" --link sim:card.zr48 upload VillaCopy/VillaCopy.mpj 2>&1 &&
            "${run[@]}" "$prefix/bin/zr48" show VillaCopy/VillaCopy.mpj 2>&1)" ||
            fail "$prefix: the walk-through failed: $out"
        # The device files come back as they went in (under the new project's names).
        [ "$(cd "$walk/projects/Villa" && md5sum -- *.mpi | cut -d' ' -f1 | sort)" = \
            "$(cd "$walk/VillaCopy" && md5sum -- *.mpi | cut -d' ' -f1 | sort)" ] ||
            fail "$prefix: the device files read back differ from those written"
    else
        fail "$prefix: no sample project in share/zr48/examples"
    fi
    "${run[@]}" "$prefix/bin/zr48pm" --help >/dev/null 2>&1 || fail "$prefix: zr48pm --help failed"
    "${run[@]}" "$prefix/bin/zr48-sim" --help >/dev/null 2>&1 || fail "$prefix: zr48-sim --help failed"
}
check_tree "$root/usr"
check_tree "$build"

# The desktop files in their places, consistent with each other.
share="$root/usr/share"
desktop="$share/applications/de.keldo.zr48pm.desktop"
[ -f "$desktop" ] || fail "no desktop entry"
exec_program="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
[ -x "$root/usr/bin/$exec_program" ] || fail "the desktop entry starts '$exec_program', which is not in usr/bin"
icon="$(sed -n 's/^Icon=//p' "$desktop")"
[ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon.svg"
for size in 48 256; do
    png="$share/icons/hicolor/${size}x${size}/apps/$icon.png"
    if [ ! -f "$png" ]; then
        fail "no ${size}x${size} icon"
        continue
    fi
    # The PNG header's width and height, big-endian words at bytes 16 and 20.
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
    [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "the ${size}x${size} icon is ${w}x${h}"
done
launchable="$(sed -n 's/.*<launchable type="desktop-id">\(.*\)<\/launchable>.*/\1/p' "$share/metainfo/de.keldo.zr48pm.metainfo.xml")"
[ -f "$share/applications/$launchable" ] || fail "the AppStream data launches '$launchable', which is not installed"
for file in mime/packages/zr48.xml doc/zr48/copyright doc/zr48/changelog.gz; do
    [ -f "$share/$file" ] || fail "no usr/share/$file"
done
[ -f "$root/usr/lib/udev/rules.d/70-zr48.rules" ] || fail "no udev rule"
# The manual pages, compressed, each with its title; the bash completion of zr48.
for page in zr48 zr48pm zr48-sim; do
    manpage="$share/man/man1/$page.1.gz"
    if [ ! -f "$manpage" ]; then
        fail "no manual page $page(1)"
        continue
    fi
    zcat "$manpage" | grep -q "^\.TH $(tr '[:lower:]' '[:upper:]' <<<"$page") 1 " || fail "$page(1) has no title line"
done
grep -q 'complete -F _zr48 zr48$' "$share/bash-completion/completions/zr48" 2>/dev/null ||
    fail "no bash completion of zr48 in usr/share/bash-completion/completions"

[ "$failures" -eq 0 ] || exit 1
echo "$(basename "$deb"): installs and runs from an unpacked root"
