#!/usr/bin/env bash
# The installed game: installs the build folder $1 into a temporary DESTDIR, checks the
# tree, and runs the installed programs from an empty folder: the simulator through the
# shipped level's first seconds, the checker on the shipped files, and the game's command
# line (--help, an unknown option, a --stage that is not a number, a start without any
# display: a stage the level lacks is told on screen, not refused).
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check_install: $*" >&2; exit 1; }

root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" || {
    cat "$work/install.log"; fail "cmake --install failed"; }
usr=$root/usr
data=$usr/share/games/quillfray
for file in games/quillfray lib/games/quillfray/quillfray bin/quillfray-sim bin/quillfray-check bin/quillfray-lsp; do
    [ -x "$usr/$file" ] || fail "$file is missing or not executable"
done
for file in share/games/quillfray/{base.vec,font.vec,default.lev,quillfray.cfg} \
    share/icons/hicolor/scalable/apps/quillfray.svg share/icons/hicolor/256x256/apps/quillfray.png \
    share/man/man6/quillfray.6.gz share/doc/quillfray/{README.md,levels.md,reference.md}; do
    [ -s "$usr/$file" ] || fail "$file is missing or empty"
done
grep -qx 'Exec=/usr/lib/games/quillfray/quillfray --data /usr/share/games/quillfray' \
    "$usr/share/applications/quillfray.desktop" || fail "the desktop entry does not start the game on its data"
grep -q '<line ' "$usr/share/icons/hicolor/scalable/apps/quillfray.svg" || fail "the SVG icon draws no line"
[ "$(head -c 4 "$usr/share/icons/hicolor/256x256/apps/quillfray.png" | tail -c 3)" = PNG ] ||
    fail "the PNG icon is not a PNG"

# From an empty folder, with a home of its own: nothing of the working directory is read.
mkdir "$work/empty" "$work/home"
cd "$work/empty"
export HOME=$work/home
unset XDG_CONFIG_HOME
"$usr/bin/quillfray-sim" --data "$data" --frames 300 --trace-json "$work/trace.jsonl"
tail -n 1 "$work/trace.jsonl" | grep -q '"actors":[1-9]' || fail "no Actors after 300 frames of the shipped level"
"$usr/bin/quillfray-check" --data "$data" >"$work/check.txt" || { cat "$work/check.txt"; fail "quillfray-check --data found warnings"; }
"$usr/bin/quillfray-lsp" --version | grep -q '^quillfray-lsp ' || fail "quillfray-lsp --version printed no version"

# The game's command line, through the installed command, with no display at all.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER)
"${nodisplay[@]}" "$usr/games/quillfray" --help >"$work/help.txt" || fail "--help did not exit 0"
grep -q '^usage: quillfray' "$work/help.txt" || fail "--help printed no usage"
status=0
"$usr/games/quillfray" --no-such-option 2>"$work/unknown.txt" || status=$?
[ $status -eq 2 ] || fail "an unknown option exited $status, not 2"
grep -q '^usage: quillfray' "$work/unknown.txt" || fail "an unknown option printed no usage on stderr"
status=0
"$usr/games/quillfray" --stage abc 2>"$work/stage.txt" || status=$?
[ $status -eq 2 ] || fail "--stage abc exited $status, not 2"
grep -q '^quillfray: --stage abc: not a whole number' "$work/stage.txt" || fail "--stage abc did not say why"
status=0
"${nodisplay[@]}" timeout 60 "$usr/games/quillfray" --stage 99 2>"$work/start.txt" || status=$?
[ $status -eq 1 ] || fail "a start without a display exited $status, not 1"
grep -q '^Error: ' "$work/start.txt" || fail "a start without a display said no \"Error: ...\" on stderr"
[ -z "$(find "$work/empty" "$work/home" -mindepth 1)" ] ||
    fail "the programs wrote into the working directory or home"
echo "check_install: the installed game is complete and runs from any folder"
