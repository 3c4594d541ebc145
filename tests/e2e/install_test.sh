#!/usr/bin/env bash
# The Debian package as a user meets it: made by CPack from this build, lintian clean
# (errors and warnings), unpacked into a scratch root, both programs answering from the
# PATH, and the game started by its launcher from another directory, as the user nobody
# with a home of its own, playing level 1 from the installed files.
#
# The package is unpacked with dpkg-deb -x rather than installed with dpkg -i: the test
# then changes nothing on the machine, needs neither root nor the packages it depends on,
# and never waits for the dpkg lock of another run. The launcher and the program folder
# find everything relative to themselves, so the scratch root works like /usr.
#   install_test.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
build_dir=$(cd "$1" && pwd)

if [ "$(id -u)" -eq 0 ]; then E2E_APP_USER="$(id -u nobody):$(id -g nobody)"; fi
as_user() {
    if [ -n "${E2E_APP_USER:-}" ]; then
        setpriv --reuid="${E2E_APP_USER%%:*}" --regid="${E2E_APP_USER##*:}" --clear-groups "$@"
    else
        "$@"
    fi
}
e2e_start_x
chmod 0755 "$E2E_TMP"

# The package, and what lintian says of it.
(cd "$E2E_TMP" && cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$E2E_TMP/pkg") \
    >"$E2E_TMP/cpack.log" 2>&1 || { cat "$E2E_TMP/cpack.log" >&2; e2e_fail "cpack failed"; }
deb=$(echo "$E2E_TMP"/pkg/prismcrate_*.deb)
[ -f "$deb" ] || e2e_fail "cpack made no package"
lintian_status=0
lintian --fail-on error,warning "$deb" >"$E2E_TMP/lintian.txt" 2>"$E2E_TMP/lintian.err" ||
    lintian_status=$?
if [ "$lintian_status" -ne 0 ] || grep -qE '^[EW]: ' "$E2E_TMP/lintian.txt"; then
    cat "$E2E_TMP/lintian.txt" "$E2E_TMP/lintian.err" >&2
    e2e_fail "lintian finds faults in $(basename "$deb") (status $lintian_status)"
fi
version=$(dpkg-deb -f "$deb" Version)
depends=$(dpkg-deb -f "$deb" Depends)
for dep in qt6-translations-l10n qt6-qpa-plugins libqt6widgets6 libsdl2-2.0-0; do
    [[ ", $depends," == *", $dep"[\ ,]* ]] || e2e_fail "the package does not depend on $dep: $depends"
done

root=$E2E_TMP/root
dpkg-deb -x "$deb" "$root"
chmod 0755 "$root"
usr=$root/usr
program=$usr/lib/games/prismcrate
for f in games/prismcrate games/prismcrate-levels lib/games/prismcrate/prismcrate; do
    [ -x "$usr/$f" ] || e2e_fail "no program /usr/$f"
done
for f in "$program/levels/standart.lvp" "$program/levels/microban.lvp" \
    "$program/assets/tiles1.bmp" "$usr/share/games/prismcrate/assets/tiles2.bmp" "$usr/share/man/man6/prismcrate.6.gz" \
    "$usr/share/man/man6/prismcrate-levels.6.gz" "$usr/share/icons/hicolor/48x48/apps/prismcrate.png"; do
    [ -f "$f" ] || e2e_fail "missing ${f#"$root"}"
done
[ -z "$(find "$root" -mindepth 1 -maxdepth 1 ! -name usr)" ] || e2e_fail "files outside /usr"

# Desktop entry, MIME types and metainfo: the entry opens both file types, and the
# shared-mime-info database built from the package knows them by their extensions.
desktop=$usr/share/applications/prismcrate.desktop
desktop-file-validate "$desktop" || e2e_fail "the desktop entry is not valid"
grep -qx "Exec=/usr/games/prismcrate %f" "$desktop" || e2e_fail "desktop entry Exec"
mime=$E2E_TMP/mime
cp -r "$usr/share/mime" "$mime"
update-mime-database "$mime" >"$E2E_TMP/mime.log" 2>&1
for pair in lev:application/x-prismcrate-level lvp:application/x-prismcrate-level-set; do
    grep -q "^[0-9]*:${pair#*:}:\*\.${pair%%:*}$" "$mime/globs2" ||
        e2e_fail "the MIME database does not map *.${pair%%:*} to ${pair#*:}"
    grep -q "^MimeType=.*${pair#*:};" "$desktop" || e2e_fail "the desktop entry does not open ${pair#*:}"
done
appstreamcli validate --no-net "$usr/share/metainfo/io.github.prismcrate.Prismcrate.metainfo.xml" \
    >"$E2E_TMP/appstream.log" 2>&1 || { cat "$E2E_TMP/appstream.log" >&2; e2e_fail "metainfo"; }

# Every shipped picture, sound and level set has its own entry in the copyright file,
# beyond the catch-all "*".
patterns=$(awk '/^Files:/ { sub(/^Files:/, ""); on = 1 } /^[^ ]/ && !/^Files:/ { on = 0 }
    on { print }' "$usr/share/doc/prismcrate/copyright" | tr ' ' '\n' | grep -vx -e '' -e '\*')
while IFS= read -r shipped; do
    found=
    while IFS= read -r pattern; do
        # shellcheck disable=SC2053
        [[ $shipped == $pattern ]] && { found=yes; break; }
    done <<<"$patterns"
    [ -n "$found" ] || e2e_fail "the copyright file names no origin for $shipped"
done < <(cd "$usr/share/games/prismcrate" && find assets levels -type f | sort)

# From the PATH, without a display: --version and --help of the game; the level tool reads
# the installed standard set.
elsewhere=$E2E_TMP/elsewhere
mkdir -p "$elsewhere"
chmod 0755 "$elsewhere"
on_path() {
    (cd "$elsewhere" && as_user env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
        HOME="$elsewhere" PATH="$usr/games:/usr/bin:/bin" "$@")
}
[ "$(on_path prismcrate --version)" = "prismcrate $version" ] ||
    e2e_fail "prismcrate --version: '$(on_path prismcrate --version 2>&1)'"
on_path prismcrate --help | grep -q "^Usage: prismcrate \[options\] \[FILE\]$" ||
    e2e_fail "prismcrate --help has no usage line"
status=0
on_path prismcrate --no-such-option >/dev/null 2>&1 || status=$?
# Without a display an unknown option ends the program either way; it must not succeed.
[ "$status" -ne 0 ] || e2e_fail "prismcrate --no-such-option succeeded"
set_file=$usr/share/games/prismcrate/levels/standart.lvp
[ "$(on_path prismcrate-levels list "$set_file" | wc -l)" -ge 10 ] ||
    e2e_fail "prismcrate-levels from the PATH does not list the standard set"
[ "$(on_path prismcrate-levels list "${set_file%/*}/microban.lvp" | wc -l)" -eq 152 ] ||
    e2e_fail "the installed Microban set does not hold its 152 levels"
# The level tool's --version, once its usage names the option.
if on_path prismcrate-levels --help | grep -q -- --version; then
    on_path prismcrate-levels --version | grep -qF "$version" ||
        e2e_fail "prismcrate-levels --version does not name $version"
fi

# The game, started by its launcher from another directory as the user, reads the
# installed levels and pictures: level 1 of the standard set on its field.
e2e_start_app "$usr/games" "$elsewhere"
E2E_RUN_DIR=$program
E2E_TOOL=$usr/games/prismcrate-levels
win=$(e2e_window Prismcrate)
chooser=$(e2e_window "$E2E_CHOOSER")
e2e_click "$chooser" 383 316
e2e_wait_no_window "$E2E_CHOOSER"
e2e_level_text "$set_file" 1 "$E2E_TMP/level1.txt"
e2e_compose "$E2E_TMP/level1.ppm" --text "$E2E_TMP/level1.txt"
e2e_wait_field "$win" "$E2E_TMP/level1.ppm"

# A level saved by the user lands in the user's own levels folder under HOME: the save
# dialog starts there, as the program's folder may not be written, and a bare name is
# taken in it.
user_levels=$E2E_TMP/runtime/.local/share/prismcrate/levels
e2e_menu "$win" 1
e2e_wait_palette "$win" shown
e2e_palette_click "$win" 4
e2e_cell_click "$win" 5 5
e2e_key "$win" ctrl+s
e2e_file_dialog "$E2E_SAVE" mine.lev
e2e_image level --robot 0,0 --put '#:5,5' -o "$E2E_TMP/mine.txt"
"$E2E_TOOL" pack -o "$E2E_TMP/mine.lev" "$E2E_TMP/mine.txt"
e2e_wait_bytes "$user_levels/mine.lev" "$E2E_TMP/mine.lev"
[ ! -e "$program/levels/mine.lev" ] || e2e_fail "the level was saved in the program's folder"
e2e_menu "$win" 0 5
e2e_wait_palette "$win" hidden

e2e_key "$win" Escape
e2e_wait_exit
echo "package $(basename "$deb"): lintian clean; installed program runs from $elsewhere"
