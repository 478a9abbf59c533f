#!/bin/bash
# Installs the build into a staging folder (DESTDIR) and runs the installed programs from there:
# they must find the edit server, its picture templates and Qt without the build folder.
#   staged_install.sh BUILD-FOLDER WORK-FOLDER
# shellcheck source-path=SCRIPTDIR
# shellcheck source=test_folders.sh
source "$(dirname "$0")/test_folders.sh"
DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >"$work/install.log"
root=$work/stage/usr

# Nothing of the user's or the build's: a registry file of our own, no Wine prefix, no library path.
unset LD_LIBRARY_PATH
export HOME=$work/home XDG_CONFIG_HOME=$work/config WINEPREFIX=$work/no-prefix
export B3_REGISTRY=$work/registry.reg QT_QPA_PLATFORM=offscreen

library=$(find "$root/lib" -name 'libB3EdtSvr.so*' -type f)
[ -n "$library" ] || fail "the edit server is not installed under $root/lib"
# The window programs are there when the build has them (it may be made without Qt).
windows=""
for program in B3Tools OddsLab; do
    [ ! -x "$build/bin/$program" ] || windows+=" $program"
done

for program in b3cli $windows; do
    [ -x "$root/bin/$program" ] || fail "$program is not installed in $root/bin"
    loaded=$(ldd "$root/bin/$program" | awk '$1 == "libB3EdtSvr.so" { print $3 }')
    if [ -z "$loaded" ] || [ "$(realpath "$loaded")" != "$(realpath "$library")" ]; then
        fail "$program does not load the installed edit server but '$loaded'"
    fi
done

# The server copies a missing template from its own folder into the installation.
"$root/bin/b3cli" sample "$work/game" >/dev/null
rm "$work/game/EDPICTS/NEWARMY.PCX"
"$root/bin/b3cli" register "$work/game"
"$root/bin/b3cli" info >"$work/info.txt"
grep -qx "InstallPath: $work/game" "$work/info.txt" || fail "b3cli info: $(cat "$work/info.txt")"
grep -qx "NumEditObjects 1: [1-9][0-9]*" "$work/info.txt" || fail "b3cli info counts no army"
cmp -s "$work/game/EDPICTS/NEWARMY.PCX" "$(dirname "$library")/NEWARMY.PCX" ||
    fail "the army template was not copied from the server's folder"

# Both windows come up on the registered installation and the programs end by themselves.
for program in $windows; do
    B3_QUIT_WHEN_SHOWN=1 "$root/bin/$program" || fail "$program ended with status $?"
done

# Desktop integration.
if [ -n "$windows" ]; then
    desktop-file-validate "$root"/share/applications/*.desktop
    appstreamcli validate --no-net "$root"/share/metainfo/*.metainfo.xml >"$work/appstream.log" ||
        fail "appstreamcli: $(cat "$work/appstream.log")"
    for icon in b3tools oddslab; do
        for size in 16 32 48 64 128 256 scalable; do
            file=$root/share/icons/hicolor/${size}x${size}/apps/$icon.png
            [ "$size" != scalable ] || file=$root/share/icons/hicolor/scalable/apps/$icon.svg
            [ -f "$file" ] || fail "no $size $icon icon"
        done
    done
fi

# The manual page and the completion name every command --help names, and no other.
help_commands=$("$root/bin/b3cli" --help | sed -n '/^Subcommands:/,$s/^  \([a-z]*\) .*/\1/p' | sort)
[ -n "$help_commands" ] || fail "b3cli --help names no command"
man_page=$root/share/man/man1/b3cli.1.gz
man_commands=$(zcat "$man_page" | sed -n 's/^\.SS b3cli \([a-z]*\) .*/\1/p' | sort)
[ "$man_commands" = "$help_commands" ] || fail "the manual page's commands: $man_commands"
warnings=$(MANWIDTH=80 man --warnings -l "$man_page" 2>&1 >/dev/null || true)
[ -z "$warnings" ] || fail "man: $warnings"
completion_commands=$(
    # shellcheck disable=SC1091
    source /usr/share/bash-completion/bash_completion
    # shellcheck disable=SC1091
    source "$root/share/bash-completion/completions/b3cli"
    COMP_WORDS=(b3cli "")
    COMP_CWORD=1
    COMP_LINE="b3cli "
    COMP_POINT=${#COMP_LINE}
    _b3cli b3cli "" b3cli
    printf '%s\n' "${COMPREPLY[@]}" | sort
)
[ "$completion_commands" = "$help_commands" ] || fail "the completion's commands: $completion_commands"

echo "staged installation works"
