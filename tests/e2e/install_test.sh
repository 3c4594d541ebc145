#!/usr/bin/env bash
# Installs the build into a temporary prefix and starts the installed launcher from
# another directory under Xvfb; checks the desktop entry and the metainfo.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
build_dir=$1

e2e_start_x
prefix="$E2E_TMP/prefix"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

launcher="$prefix/bin/prismcrate"
[ -x "$launcher" ] || e2e_fail "no launcher at $launcher"
appdir="$prefix/lib/prismcrate"
for f in prismcrate levels/standart.lvp assets/tiles1.bmp assets/tiles2.bmp; do
    [ -e "$appdir/$f" ] || e2e_fail "missing $appdir/$f"
done
desktop="$prefix/share/applications/prismcrate.desktop"
grep -qx "Path=$appdir" "$desktop" || e2e_fail "desktop entry Path is not $appdir"
grep -qx "Exec=prismcrate" "$desktop" || e2e_fail "desktop entry Exec"
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$desktop"; fi
metainfo="$prefix/share/metainfo/io.github.prismcrate.Prismcrate.metainfo.xml"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net --pedantic "$metainfo" >/dev/null ||
        appstreamcli validate --no-net "$metainfo"
fi
[ -e "$prefix/share/icons/hicolor/48x48/apps/prismcrate.png" ] || e2e_fail "no 48 px icon"

# Started from elsewhere, through the launcher on the PATH.
elsewhere="$E2E_TMP/elsewhere"
mkdir -p "$elsewhere"
(cd "$elsewhere" && PATH="$prefix/bin:$PATH" QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy \
    exec prismcrate) >"$E2E_TMP/app.log" 2>&1 &
E2E_APP_PID=$!
e2e_window Prismcrate >/dev/null
sleep 0.5
e2e_app_running || e2e_fail "the installed program ended at start-up"
echo "installed program runs from $elsewhere"
