# Sourced by the install and package tests (it is no test itself: the test list names the smoke tests one
# by one):
#   check_installed ROOT BINDIR DATADIR DOCDIR SRC
#       the files an install puts under ROOT (the prefix: a cmake --install prefix, or usr/ of an unpacked
#       package) are there and valid: the programs in ROOT/BINDIR, the bundled game, the desktop entry
#       and the AppStream metainfo (validated, and naming each other), the icons at their sizes, the
#       man pages (compressed, without warnings, naming DATADIR and DOCDIR, the paths of the installed
#       game and its documents as the program was built for them), and the README, the guides of
#       SRC/docs with the pictures they show, the example drawing, the copyright and the changelog
fail() {
    echo "$*"
    exit 1
}

check_installed() {
    local root=$1 bindir=$2 datadir=$3 docdir=$4 src=$5
    local f
    for f in "$bindir/zarvo" "$bindir/zarvo-headless" "$bindir/zarvo-level"; do
        [ -x "$root/$f" ] || fail "not installed as a program: $f"
    done
    for f in share/zarvo/config.ini share/zarvo/start.mnu share/zarvo/LEVEL1.LVL share/zarvo/LEVEL6.LVL \
             share/zarvo/maps/level1.dxf share/zarvo-level/level_drawing.py share/zarvo-level/content_maps.py \
             share/zarvo-level/content_geometry.py; do
        [ -f "$root/$f" ] || fail "not installed: $f"
    done

    # The software centre's entry and the desktop menu's, under one id.
    local metainfo=("$root"/share/metainfo/*.metainfo.xml)
    [ ${#metainfo[@]} -eq 1 ] && [ -f "${metainfo[0]}" ] || fail "not one metainfo file: ${metainfo[*]}"
    local id
    id=$(basename "${metainfo[0]}" .metainfo.xml)
    grep -q "<id>$id</id>" "${metainfo[0]}" || fail "the metainfo's <id> is not $id"
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "${metainfo[0]}" ||
        fail "the metainfo does not launch $id.desktop"
    local desktop="$root/share/applications/$id.desktop"
    [ "$(ls "$root/share/applications")" = "$id.desktop" ] || fail "desktop entries: $(ls "$root/share/applications")"
    desktop-file-validate "$desktop" || fail "desktop-file-validate: $desktop"
    local out
    out=$(appstreamcli validate --no-net "${metainfo[0]}" 2>&1) || fail "appstreamcli validate: $out"
    grep -qx "Exec=zarvo" "$desktop" && grep -qx "Icon=zarvo" "$desktop" &&
        grep -qx "Categories=Game;ActionGame;" "$desktop" || fail "desktop entry: $(cat "$desktop")"
    local size got
    for size in 48 128 256; do
        got=$(identify -format "%wx%h" "$root/share/icons/hicolor/${size}x${size}/apps/zarvo.png")
        [ "$got" = "${size}x${size}" ] || fail "icon ${size}: $got"
    done

    # Man pages, gzip-compressed as Debian has them, name the installed game and documents.
    local page text warnings
    for page in zarvo zarvo-headless zarvo-level; do
        f="$root/share/man/man6/$page.6.gz"
        gzip -t "$f" || fail "not a gzip file: $f"
        warnings=$(MANWIDTH=80 man --warnings -l "$f" 2>&1 > /dev/null)
        [ -z "$warnings" ] || fail "$page.6: $warnings"
        text=$(zcat "$f")
        grep -qF "$docdir/" <<< "$text" || fail "$page.6 names no installed document in $docdir"
        ! grep -qi "the README" <<< "$text" || fail "$page.6 sends the reader to \"the README\""
        ! grep -q "@[A-Z_]*@" <<< "$text" || fail "$page.6 was not filled in: $(grep -o "@[A-Z_]*@" <<< "$text")"
    done
    grep -qxF ".I $datadir" <<< "$(zcat "$root/share/man/man6/zarvo.6.gz")" ||
        fail "zarvo.6 does not give the data folder $datadir"

    # The documents: the README and every guide, each picture they show, the example drawing of the
    # author's guide, the copyright (machine-readable) and the changelog.
    local doc="$root/share/doc/zarvo"
    [ -f "$doc/README.md" ] || fail "README.md not installed"
    for f in "$src"/docs/*.md; do
        cmp -s "$f" "$doc/docs/$(basename "$f")" || fail "guide not installed: docs/$(basename "$f")"
    done
    local picture
    for f in "$doc/README.md" "$doc"/docs/*.md; do
        for picture in $(grep -o '](\([a-z_/]*\.png\))' "$f" | sed 's/^](//; s/)$//'); do
            [ -f "$(dirname "$f")/$picture" ] || fail "$(basename "$f") shows $picture, not installed beside it"
        done
    done
    for picture in $(grep -o "<image>[^<]*</image>" "${metainfo[0]}" | sed 's/<[^>]*>//g'); do
        [[ "$picture" == https://* ]] || fail "screenshot not at an https address: $picture"
        [ -f "$doc/docs/screenshots/$(basename "$picture")" ] || fail "the metainfo shows $picture, no picture of the README"
    done
    [ -f "$doc/examples/annex.dxf" ] || fail "the example drawing is not installed"
    head -n 1 "$doc/copyright" | grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ||
        fail "copyright is not machine-readable"
    [ -n "$(changelog_version "$doc/changelog.gz")" ] || fail "changelog.gz: no version in its first line"
}

# The version of the newest entry of an installed changelog.gz.
changelog_version() {
    zcat "$1" | sed -n '1s/^zarvo (\([^)]*\)).*/\1/p'
}
