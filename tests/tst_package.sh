#!/usr/bin/env bash
# Makes the Debian package from a built tree, unpacks it into a scratch root and checks that a
# desktop finds the program, its menu entry, icon, AppStream metainfo and the ".dyb" file type
# where it looks for them, and that desktop-file-validate and appstreamcli accept our files.
# Usage: tst_package.sh CPACK BUILD_DIR. Exits 77 (skipped) when a Debian tool is missing.
set -euo pipefail
cpack=$1
build=$2

for tool in dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli update-mime-database; do
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

# The menu entry starts the installed program and names the installed icon.
entry=$share/applications/lexivault.desktop
grep -qx 'Exec=lexivault' "$entry" || fail "Exec is not the installed program"
grep -qx 'Icon=lexivault' "$entry" || fail "Icon is not the installed icon"

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

echo "package checks passed"
