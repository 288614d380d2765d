#!/usr/bin/env bash
# Makes the Debian package from a built tree, checks that lintian finds no error or warning in
# it, unpacks it into a scratch root and checks that a desktop finds the program, its menu entry,
# icon, AppStream metainfo and the ".dyb" file type where it looks for them, that
# desktop-file-validate and appstreamcli accept our files, and that the installed program,
# started on an X display as a file manager starts it, opens the file it is given, with every
# title exactly its own and every window showing the program's icon.
# Usage: tst_package.sh CPACK BUILD_DIR. Exits 77 (skipped) when a tool is missing.
set -euo pipefail
for tool in dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli update-mime-database \
    update-desktop-database xvfb-run xwininfo xprop; do command -v "$tool" >/dev/null || exit 77; done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$1" -G DEB --config "$2/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(echo "$scratch"/out/lexivault_*.deb)
# dpkg-shlibdeps found the libraries the program links; Qt's window-system plugin is added.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libqt6widgets6 qt6-qpa-plugins; do [[ $depends == *"$lib"* ]] || fail "Depends: $depends"; done

lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 || { cat "$scratch/lintian.log"; fail "lintian"; }

root=$scratch/root
share=$root/usr/share
dpkg -x "$deb" "$root" || fail "expected one lexivault_*.deb, got: $deb"
[ -x "$root/usr/bin/lexivault" ] && [ -f "$share/icons/hicolor/scalable/apps/lexivault.svg" ] &&
    [ -f "$share/icons/hicolor/48x48/apps/lexivault.png" ] || fail "no /usr/bin/lexivault or no icon"
# The menu entry starts the installed program, with the file a file manager opens, and names the
# installed icon; file managers offer it for dictionaries.
entry=$share/applications/lexivault.desktop
[ "$(grep -cxF -e 'Exec=lexivault %f' -e 'Icon=lexivault' -e 'MimeType=application/x-lexivault-dictionary;' \
    "$entry")" = 3 ] || fail "the menu entry's command, icon or file type"
desktop-file-validate "$entry" && update-desktop-database "$share/applications" || fail "menu entry"
grep -q '^application/x-lexivault-dictionary=lexivault.desktop' "$share/applications/mimeinfo.cache" ||
    fail "the desktop does not offer Lexivault for .dyb files"
# The metainfo is valid, and its newest release is the packaged version.
metainfo=$share/metainfo/org.quillmark.lexivault.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -q "<release version=\"$(dpkg-deb -f "$deb" Version)\"" "$metainfo" || fail "metainfo release"
# The file type database built from our package names *.dyb files "Dictionary database".
XDG_DATA_DIRS=$share update-mime-database "$share/mime" || fail "update-mime-database"
grep -qx 'application/x-lexivault-dictionary:\*\.dyb' "$share/mime/globs" &&
    grep -q '<comment>Dictionary database</comment>' "$share/mime/application/x-lexivault-dictionary.xml" ||
    fail "no *.dyb file type"

# The titles of the program's visible windows, each with "+icon" when it shows one, once it has
# started with the given file and had time to show an error. Qt finds the installed icon theme.
titles_when_opening() {
    QT_QPA_PLATFORM=xcb XDG_DATA_DIRS=$share:/usr/share XDG_DATA_HOME=$scratch/data xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        "$1" "$2" & program=$!
        for _ in $(seq 100); do xwininfo -root -tree | grep -q "\"Dictionary" && break; sleep 0.1; done
        sleep 1
        for id in $(xwininfo -root -tree | grep -o "^ *0x[0-9a-f]* \"" | grep -o "0x[0-9a-f]*"); do
            xwininfo -id "$id" | grep -q "IsViewable" || continue
            echo "$(xwininfo -id "$id" | grep -o "\".*\"")$(xprop -id "$id" _NET_WM_ICON | grep -q CARDINAL && echo +icon)"
        done | sort -u | tr "\n" " "
        kill $program' _ "$root/usr/bin/lexivault" "$1"
}
printf '\x05\x00Fruit\x03\x00Lab\x00\x00\x00\x00\x00\x00\xd0\xd5\xe1\x40\x00\x00\x00\x00\x04\x00pear\x00\x00' >"$scratch/fruit.dyb"
printf 'not a dictionary' >"$scratch/text.dyb"
[ "$(titles_when_opening "$scratch/fruit.dyb")" = '"Dictionary"+icon ' ] || fail "titles with a dictionary"
[ "$(titles_when_opening "$scratch/text.dyb")" = '"Dictionary"+icon "Error"+icon ' ] || fail "titles with a text file"
