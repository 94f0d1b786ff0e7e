#!/usr/bin/env bash
# check-file-types.sh SOURCE_DIR VERSION
# The desktop files agree with each other and with the program: the MIME database built from our
# file maps *.mpj, *.mpi and *.mpd to types with the right parents, the desktop entry claims the
# types of projects and device files, the udev rule matches the converter's own product string,
# and the change log and AppStream data name this version.
set -euo pipefail
src="$1"
version="$2"
pkg="$src/packaging"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The MIME database as update-mime-database builds it from freedesktop.org's types and ours.
mkdir -p "$work/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$work/mime/packages/"
cp "$pkg/zr48-mime.xml" "$work/mime/packages/zr48.xml"
# No fsync for a throw-away database: it would take seconds.
PKGSYSTEM_ENABLE_FSYNC=0 update-mime-database "$work/mime" 2>"$work/update.log" >/dev/null || fail "update-mime-database: $(cat "$work/update.log")"
if grep -qi "zr48" "$work/update.log"; then
    fail "update-mime-database complains about our file: $(cat "$work/update.log")"
fi
type_of() { # the type whose glob is exactly $1
    awk -F: -v g="$1" '$3 == g { print $2; exit }' "$work/mime/globs2"
}
parent_of() {
    awk -v t="$1" '$1 == t { print $2; exit }' "$work/mime/subclasses"
}
project="$(type_of '*.mpj')"
device="$(type_of '*.mpi')"
image="$(type_of '*.mpd')"
[ "$project" = "application/x-zr48-project" ] || fail "*.mpj is '$project', not application/x-zr48-project"
[ -n "$device" ] && [ -n "$image" ] || fail "*.mpi or *.mpd has no type ('$device', '$image')"
for t in "$project" "$device"; do
    [ "$(parent_of "$t")" = "text/plain" ] || fail "$t is not a kind of text/plain"
done
[ "$(parent_of "$image")" = "application/octet-stream" ] || fail "$image is not a kind of application/octet-stream"

# The desktop entry claims the project and device types, and only types that are declared.
desktop="$pkg/de.keldo.zr48pm.desktop"
claimed="$(sed -n 's/^MimeType=//p' "$desktop")"
for t in "$project" "$device"; do
    case ";$claimed" in *";$t;"*) ;; *) fail "the desktop entry does not claim $t ($claimed)" ;; esac
done
IFS=';' read -r -a types <<<"$claimed"
for t in "${types[@]}"; do
    grep -qx "$t" "$work/mime/types" || fail "the desktop entry claims $t, which no MIME file declares"
done
grep -q '^Exec=zr48pm .*%F' "$desktop" || fail "the desktop entry does not start zr48pm with %F"

# Every product match of the udev rule is the converter's description that the program opens.
description="$(sed -n 's/.*kZr48Description = "\(.*\)";.*/\1/p' "$src/src/link/FtDriver.h")"
[ -n "$description" ] || fail "no kZr48Description in src/link/FtDriver.h"
rule="$pkg/70-zr48.rules"
matches="$(grep -o 'ATTRS\?{product}=="[^"]*"' "$rule" | sed 's/.*=="\(.*\)"/\1/' | sort -u)"
[ "$matches" = "$description" ] || fail "the udev rule matches '$matches', the program opens '$description'"
grep -q 'SUBSYSTEM=="tty".*TAG+="uaccess".*SYMLINK+="zr48-%n"' "$rule" ||
    fail "the udev rule gives the tty no uaccess tag or no zr48-N link"

# The newest entries of the change log and of the AppStream releases are this version.
changelog_version="$(sed -n '1s/^zr48 (\([^)]*\)).*/\1/p' "$pkg/changelog")"
[ "$changelog_version" = "$version" ] || fail "the change log starts with $changelog_version, not $version"
release="$(grep -o '<release version="[^"]*"' "$pkg/de.keldo.zr48pm.metainfo.xml" | head -n 1 | cut -d'"' -f2)"
[ "$release" = "$version" ] || fail "the AppStream data's newest release is $release, not $version"

[ "$failures" -eq 0 ] || exit 1
echo "file types, desktop entry, udev rule and versions agree"
