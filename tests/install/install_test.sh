#!/usr/bin/env bash
# Installs the build into a scratch prefix, as a package would, and checks that
# the installed simulator finds its data from there (drawing the same picture as
# in the build tree), that the desktop entry, the software-centre listing and
# the manual pages are where the desktop looks, and that they validate.
#
#   install_test.sh BUILD_DIR BINDIR DATADIR APP_ID
set -euo pipefail

build=$1 bindir=$2 datadir=$3 id=$4
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/usr
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" || {
    cat "$scratch/install.log"
    exit 1
}

for file in "$bindir/stakor" "$bindir/stakor-sim" \
    "$datadir/Language/English.lng" "$datadir/Skin/squares.bmp" "$datadir/Background/bluewave.jpg" \
    "$datadir/Sound/line.wav" "$datadir/Music/1.mid" "$datadir/help/index.html" \
    "$datadir/icons/vexamo-stakor.png" "$datadir/icons/vexamo-stakor-48.png" \
    share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/48x48/apps/vexamo-stakor.png share/icons/hicolor/256x256/apps/vexamo-stakor.png \
    share/icons/hicolor/scalable/apps/vexamo-stakor.svg share/man/man6/stakor.6 share/man/man6/stakor-sim.6; do
    [ -f "$prefix/$file" ] || fail "not installed: $file"
done
stray=$(find "$prefix/$datadir" \( -name '*.desktop' -o -name '*.in' -o -name '*.xml' \) -print)
[ -z "$stray" ] && pass "only game data in $datadir" || fail "stray files in the data folder: $stray"

# The installed simulator, started from elsewhere, must draw with the shipped
# skin and background exactly as the one in the build tree does.
script='start tick tick tick drop tick tick tick'
(cd "$build" && printf '%s' "$script" | ./stakor-sim --seed 11 --render "$scratch/built.bmp" >/dev/null)
if (cd / && printf '%s' "$script" |
    "$prefix/$bindir/stakor-sim" --seed 11 --render "$scratch/installed.bmp" >/dev/null 2>"$scratch/sim.err"); then
    if [ -s "$scratch/sim.err" ]; then
        fail "the installed simulator complained: $(cat "$scratch/sim.err")"
    elif cmp -s "$scratch/built.bmp" "$scratch/installed.bmp"; then
        pass "the installed simulator finds its skin and background in $datadir"
    else
        fail "the installed simulator draws another picture than the built one"
    fi
else
    fail "the installed simulator failed: $(cat "$scratch/sim.err")"
fi

# The listing names the desktop entry it launches, which carries the same id.
metainfo=$prefix/share/metainfo/$id.metainfo.xml
grep "<id>$id</id>" "$metainfo" >/dev/null && grep "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" >/dev/null &&
    pass "the listing's id and launchable are $id" || fail "the listing does not name $id and $id.desktop"

if command -v desktop-file-validate >/dev/null; then
    out=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) && [ -z "$out" ] &&
        pass "desktop-file-validate" || fail "desktop-file-validate: $out"
else
    echo "skipped: desktop-file-validate is not installed (package desktop-file-utils)"
fi
if command -v appstreamcli >/dev/null; then
    out=$(appstreamcli validate --no-net --no-color "$metainfo" 2>&1) &&
        pass "appstreamcli validate --no-net" || fail "appstreamcli validate: $out"
else
    echo "skipped: appstreamcli is not installed (package appstream)"
fi
if command -v groff >/dev/null; then
    for page in stakor stakor-sim; do
        out=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$prefix/share/man/man6/$page.6" 2>&1) && [ -z "$out" ] &&
            pass "manual page $page(6) formats without warnings" || fail "manual page $page(6): $out"
    done
else
    echo "skipped: groff is not installed, the manual pages are not formatted"
fi

[ "$failures" -eq 0 ] || exit 1
