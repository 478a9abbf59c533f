#!/bin/bash
# Builds the Debian package from the build folder and checks it: lintian finds no error, the
# dependencies are the Qt 6 runtime libraries (no development or build tools), and the package
# holds the programs, the edit server with its templates and the desktop files; no hardening
# flag is missing.
#   package_lintian.sh BUILD-FOLDER WORK-FOLDER
# shellcheck source-path=SCRIPTDIR
# shellcheck source=test_folders.sh
source "$(dirname "$0")/test_folders.sh"
for tool in lintian dpkg-deb cpack; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed (make test installs it)"; exit 77; }
done
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" ||
    fail "cpack: $(cat "$work/cpack.log")"
package=$(find "$work" -maxdepth 1 -name '*.deb')
[ -n "$package" ] || fail "cpack wrote no package"

depends=$(dpkg-deb --field "$package" Depends)
expected="libstdc++6"
[ ! -x "$build/bin/OddsLab" ] || expected+=" libqt6widgets6 libqt6charts6 libqt6gui6 libqt6core6 qt6-qpa-plugins"
for library in $expected; do
    grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done
if grep -qE -- '-dev\b|cmake|g\+\+' <<<"$depends"; then fail "Depends names a build tool: $depends"; fi

# The change log's newest entry is this version.
version=$(dpkg-deb --field "$package" Version)
dpkg-deb --fsys-tarfile "$package" | tar -xO ./usr/share/doc/b3tools/changelog.gz | gzip -dc |
    head -n 1 | grep -qF "b3tools ($version)" || fail "the change log's newest entry is not $version"

contents=$(dpkg-deb --contents "$package")
files="./usr/bin/b3cli /libB3EdtSvr.so /NEWARMY.PCX /NEWSITE.PCX ./usr/share/man/man1/b3cli.1.gz
    ./usr/share/doc/b3tools/copyright"
[ ! -x "$build/bin/OddsLab" ] || files+=" ./usr/bin/B3Tools ./usr/bin/OddsLab
    ./usr/share/applications/org.b3tools.B3Tools.desktop
    ./usr/share/metainfo/org.b3tools.OddsLab.metainfo.xml"
for file in $files; do
    grep -qF -- "$file" <<<"$contents" || fail "the package lacks $file"
done

lintian --fail-on error --display-info --tag-display-limit 0 "$package" | tee "$work/lintian.log"
# The programs are built with the distribution's hardening: no note of a missing flag, even an
# informational one (fortified functions, bind-now).
if grep -E 'hardening-' "$work/lintian.log"; then fail "lintian notes missing hardening flags"; fi
echo "package checked: $(basename "$package")"
