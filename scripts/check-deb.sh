#!/usr/bin/env bash
# Builds the Debian package and checks it without installing it:
#   scripts/check-deb.sh [BUILD-DIR]      (default: build)
# It unpacks the package into an empty folder, checks the files, the
# dependencies, the desktop entry (desktop-file-validate) and the launcher,
# and runs lintian, which must report no error; its warnings are printed.
# Needs dpkg-dev, desktop-file-utils and lintian.
set -euo pipefail

cd "$(dirname "$0")/.."
build=${1:-build}

for tool in dpkg-deb desktop-file-validate lintian python3; do
    command -v "$tool" >/dev/null || { echo "check-deb: $tool is missing (apt install dpkg-dev desktop-file-utils lintian)" >&2; exit 2; }
done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }

rm -f "$build"/kestrix_*.deb
make --no-print-directory deb BUILD="$build" JOBS="${JOBS:-2}"
debs=("$build"/kestrix_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "check-deb: expected one package in $build" >&2; exit 1; }
deb=${debs[0]}
echo "package: $deb"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root/pkg"
pkg=$root/pkg

# The files, each where the desktop and the shell look for it.
for f in usr/bin/kestrix usr/bin/kestrix-newdb usr/bin/kestrix-check usr/bin/kestrix-launch; do
    [ -f "$pkg/$f" ] && [ -x "$pkg/$f" ] && pass "$f is executable" || fail "$f missing or not executable"
done
for f in usr/share/applications/kestrix.desktop \
         usr/share/icons/hicolor/scalable/apps/kestrix.svg \
         usr/share/icons/hicolor/48x48/apps/kestrix.png \
         usr/share/icons/hicolor/256x256/apps/kestrix.png \
         usr/share/doc/kestrix/copyright usr/share/doc/kestrix/changelog.gz \
         usr/share/doc/kestrix/使用说明.html usr/share/doc/kestrix/images/main.png \
         usr/share/man/man1/kestrix.1.gz usr/share/man/man1/kestrix-newdb.1.gz \
         usr/share/man/man1/kestrix-check.1.gz \
         usr/share/man/man1/kestrix-launch.1.gz; do
    [ -f "$pkg/$f" ] && pass "$f" || fail "$f missing"
done
unexpected=$(cd "$pkg" && find . -type f | grep -v -e '^./usr/bin/' -e '^./usr/share/applications/' \
    -e '^./usr/share/icons/hicolor/' -e '^./usr/share/doc/kestrix/' -e '^./usr/share/man/man1/' || true)
[ -z "$unexpected" ] && pass "no stray files" || fail "stray files: $unexpected"

# Each PNG is as large as the folder it stands in says; the SVG is well-formed.
python3 - "$pkg" <<'PY' && pass "icon sizes and SVG" || fail "icons"
import struct, sys, xml.etree.ElementTree as ET
root = sys.argv[1] + "/usr/share/icons/hicolor/"
for size in (48, 256):
    data = open(f"{root}{size}x{size}/apps/kestrix.png", "rb").read(24)
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    w, h = struct.unpack(">II", data[16:24])
    assert (w, h) == (size, size), f"{size}x{size} icon is {w}x{h}"
assert ET.parse(root + "scalable/apps/kestrix.svg").getroot().tag.endswith("svg")
PY

# The desktop entry: valid, and the fields the desktop shows.
entry=$pkg/usr/share/applications/kestrix.desktop
if out=$(desktop-file-validate "$entry" 2>&1) && [ -z "$out" ]; then pass "desktop-file-validate"; else fail "desktop-file-validate: $out"; fi
for line in 'Name=Kestrix快递单打印软件' 'Exec=kestrix-launch' 'Icon=kestrix' 'Categories=Office;' 'Type=Application'; do
    grep -qxF "$line" "$entry" && pass "desktop entry: $line" || fail "desktop entry lacks $line"
done
grep -q '^Comment=.*[^ -~]' "$entry" && pass "desktop entry: Chinese comment" || fail "desktop entry: no Chinese comment"

# Dependencies: the libraries found by dpkg-shlibdeps and the packages listed by hand.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for p in libqt6widgets6 libqt6printsupport6 libsqlcipher libgsf-1 libc6 \
         fonts-noto-cjk fonts-arphic-uming fonts-liberation2 qt6-translations-l10n qt6-qpa-plugins; do
    grep -q "\b$p" <<<"$depends" && pass "depends on $p" || fail "no dependency on $p"
done

# The launcher, with a stand-in for the program that only says where it runs.
bin=$root/bin
mkdir "$bin"
cp "$pkg/usr/bin/kestrix-launch" "$pkg/usr/bin/kestrix-newdb" "$bin/"
printf '#!/bin/sh\npwd > "$KX_RAN_IN"\n' > "$bin/kestrix"
chmod +x "$bin/kestrix"
home=$root/home
mkdir "$home"
export KX_RAN_IN=$root/ran-in
HOME=$home XDG_DATA_HOME='' "$bin/kestrix-launch"
data=$home/.local/share/kestrix
[ -s "$data/data.mdb" ] && pass "launcher made ~/.local/share/kestrix/data.mdb" || fail "launcher made no database"
[ "$(cat "$KX_RAN_IN")" = "$data" ] && pass "program started inside the data folder" || fail "program ran in $(cat "$KX_RAN_IN")"
[ "$(stat -c %a "$data")" = 700 ] && pass "data folder kept to its owner" || fail "data folder mode $(stat -c %a "$data")"
echo "a shop's orders" > "$data/data.mdb"
chmod 644 "$data/data.mdb"
HOME=$home "$bin/kestrix-launch" 2>"$root/launch-said"
[ "$(cat "$data/data.mdb")" = "a shop's orders" ] && pass "second start keeps the database" || fail "second start replaced the database"
[ "$(stat -c %a "$data/data.mdb")" = 600 ] && grep -q "仅本用户可读写" "$root/launch-said" \
    && pass "a database others could read is closed to them, and that is said" || fail "data.mdb left $(stat -c %a "$data/data.mdb")"
HOME=$home XDG_DATA_HOME=$root/xdg "$bin/kestrix-launch"
[ -s "$root/xdg/kestrix/data.mdb" ] && [ "$(cat "$KX_RAN_IN")" = "$root/xdg/kestrix" ] \
    && pass "XDG_DATA_HOME honoured" || fail "XDG_DATA_HOME not honoured"
rm -rf "$home/.local"
HOME=$home XDG_DATA_HOME=relative/path "$bin/kestrix-launch"
[ -s "$data/data.mdb" ] && pass "a relative XDG_DATA_HOME is ignored" || fail "a relative XDG_DATA_HOME was used"

# lintian: no error; warnings and the rest are shown for the record.
echo "--- lintian"
if lintian --fail-on error --display-info "$deb"; then pass "lintian: no error"; else fail "lintian reports errors"; fi

echo "---"
if [ "$failures" -eq 0 ]; then echo "check-deb: all checks passed"; else echo "check-deb: $failures check(s) failed"; exit 1; fi
