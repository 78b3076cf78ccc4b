#!/usr/bin/env bash
# BUILD_DIR installed into a temporary DESTDIR (with --system: the Debian package's /usr), started
# by its name from an empty folder under a German locale: it speaks German, shows exactly the window
# of BUILD_DIR's program and ends with 0 on SIGTERM.   install_test.sh BUILD_DIR [--system]
set -uo pipefail

build_dir=$(realpath "$1")
title="Trakmoor ${TRAKMOOR_VERSION:?}"
source "$(dirname "$0")/x_session.sh"
prefix=/usr
if [ "${2:-}" != --system ]; then
    prefix=$work/root/usr
    DESTDIR=$work/root cmake --install "$build_dir" --prefix /usr >/dev/null || exit 1
fi
ls "$prefix"/share/icons/hicolor/{48x48,128x128,256x256,scalable}/apps/trakmoor.* || fail icons
desktop-file-validate "$prefix/share/applications/trakmoor.desktop" || fail "desktop entry"
xmllint --noout "$prefix/share/mime/packages/trakmoor.xml" || fail "MIME types"
# The file manager's way: the thumbnailer's command with its placeholders filled, no display.
exec_line=$(sed -n 's/^Exec=//p' "$prefix/share/thumbnailers/trakmoor.thumbnailer")
grep -q '^MimeType=application/gpx+xml;' "$prefix/share/thumbnailers/trakmoor.thumbnailer" ||
    fail "thumbnailer MIME types"
exec_line=${exec_line//%o/$work/thumb.png} && exec_line=${exec_line//%s/128}
exec_line=${exec_line//%i/$prefix/share/trakmoor/sample.gpx}
(cd "$work" && env -u DISPLAY PATH="$prefix/bin:$PATH" $exec_line) || fail "thumbnailer: $exec_line"
[ "$(identify -format %wx%h "$work/thumb.png")" = 128x128 ] || fail "thumbnail size"
export LANG=de_DE.UTF-8 PATH="$prefix/bin:$PATH" && unset LC_ALL LC_MESSAGES LANGUAGE
message=$(cd "$work" && SDL_VIDEODRIVER=nosuchdriver trakmoor 2>&1)
[[ $message == "Trakmoor konnte nicht gestartet werden: "* ]] || fail "not German: $message"

start_x_session
# window_of PROGRAM NAME: the settled picture of PROGRAM's window as $work/NAME.png.
window_of() {
    program=$1 && start || return
    last_sum=""
    wait_until "$timeout_s" window_settled || fail "$2: no settled, painted picture"
    cp "$work/shot.png" "$work/$2.png"
    kill -TERM "$pid" && finish 0
    [ ! -s "$run_dir/stderr" ] || fail "$2 wrote to stderr: $(head -c 300 "$run_dir/stderr")"
}
window_of "$build_dir/trakmoor.bin" built
window_of trakmoor installed
pixels=$(compare -metric AE "$work/built.png" "$work/installed.png" null: 2>&1)
[ "$pixels" = 0 ] || fail "the installed program's window differs in $pixels pixels"
report installation
