#!/usr/bin/env bash
# Makes the Debian package from a built tree, unpacks it into a scratch root and checks that a
# desktop finds the program, its menu entry, icon, AppStream metainfo and the ".dyb" file type
# where it looks for them, and that desktop-file-validate and appstreamcli accept our files.
# Usage: tst_package.sh CPACK BUILD_DIR. Exits 77 (skipped) when a Debian tool is missing.
set -euo pipefail
cpack=$1
build=$2

for tool in dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli update-mime-database \
    update-desktop-database xvfb-run xwininfo; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack"; }
debs=("$scratch"/out/lexivault_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one lexivault_*.deb, got: ${debs[*]}"
deb=${debs[0]}
echo "package: $(basename "$deb")"

# dpkg-shlibdeps found the libraries the program links.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libqt6widgets6 qt6-qpa-plugins; do
    [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib"
done

root=$scratch/root
dpkg -x "$deb" "$root"
share=$root/usr/share
metainfo=$share/metainfo/org.quillmark.lexivault.metainfo.xml
for file in usr/bin/lexivault usr/share/applications/lexivault.desktop \
    usr/share/icons/hicolor/scalable/apps/lexivault.svg \
    usr/share/metainfo/org.quillmark.lexivault.metainfo.xml \
    usr/share/mime/packages/lexivault.xml; do
    [ -f "$root/$file" ] || fail "missing /$file"
done
[ -x "$root/usr/bin/lexivault" ] || fail "/usr/bin/lexivault is not executable"

# The menu entry starts the installed program, with the file a file manager opens, and names the
# installed icon; file managers offer it for dictionaries.
entry=$share/applications/lexivault.desktop
grep -qx 'Exec=lexivault %f' "$entry" || fail "Exec is not the installed program with a file"
grep -qx 'Icon=lexivault' "$entry" || fail "Icon is not the installed icon"
grep -qx 'MimeType=application/x-lexivault-dictionary;' "$entry" || fail "MimeType lacks .dyb files"
update-desktop-database "$share/applications" || fail "update-desktop-database"
grep -q '^application/x-lexivault-dictionary=lexivault.desktop' "$share/applications/mimeinfo.cache" ||
    fail "the desktop does not offer Lexivault for .dyb files"

desktop-file-validate "$entry" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"

# The newest release named in the metainfo is the packaged version.
version=$(dpkg-deb -f "$deb" Version)
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"

# The file type database built from our package names *.dyb files "Dictionary database".
XDG_DATA_DIRS=$share update-mime-database "$share/mime" || fail "update-mime-database"
grep -qx 'application/x-lexivault-dictionary:\*\.dyb' "$share/mime/globs" || fail "no *.dyb glob"
grep -q '<comment>Dictionary database</comment>' \
    "$share/mime/application/x-lexivault-dictionary.xml" || fail "no file type comment"

# Started as a file manager starts it, on an X display, the installed program opens the file it
# is given: a dictionary opens quietly, anything else says "Could not open dictionary". Every
# title is exactly the program's own, with nothing added to it.
titles_when_opening() {
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        "$1" "$2" & program=$!
        for _ in $(seq 100); do
            xwininfo -root -tree | grep -q "\"Dictionary" && break
            sleep 0.1
        done
        sleep 1 # time for an error box to show
        for id in $(xwininfo -root -tree | grep -o "^ *0x[0-9a-f]* \"" | grep -o "0x[0-9a-f]*"); do
            xwininfo -id "$id" | grep -q "Map State: IsViewable" &&
                xwininfo -id "$id" | sed -n "s/^xwininfo: Window id: [^\"]*//p"
        done
        kill $program' _ "$root/usr/bin/lexivault" "$1"
}
printf '\x05\x00Fruit\x03\x00Lab\x00\x00\x00\x00\x00\x00\xd0\xd5\xe1\x40\x00\x00\x00\x00\x04\x00pear\x00\x00' \
    >"$scratch/fruit.dyb"
printf 'not a dictionary' >"$scratch/text.dyb"
opened=$(titles_when_opening "$scratch/fruit.dyb")
refused=$(titles_when_opening "$scratch/text.dyb")
echo "titles with a dictionary: $(echo $opened)"
echo "titles with a text file: $(echo $refused)"
[ "$(echo "$opened" | sort -u | tr '\n' ' ')" = '"Dictionary" ' ] || fail "a dictionary given at start"
[ "$(echo "$refused" | sort -u | tr '\n' ' ')" = '"Dictionary" "Error" ' ] ||
    fail "a text file given at start"

echo "package checks passed"
