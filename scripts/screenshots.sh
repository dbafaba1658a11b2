#!/usr/bin/env bash
# Makes the user guide's screenshots from the real program:
#   scripts/screenshots.sh [BUILD-DIR]       (default: build)
# It starts a private X server (Xvfb) with openbox, a demo database made by
# kestrix-newdb --demo in a temporary folder, logs in as 超级管理员 / 507,
# opens each window through the program's own buttons and menus, and writes
# the crops as small palette PNGs into docs/images/. A window whose entry is
# still disabled opens nothing; it is reported and skipped, so the script can
# simply be run again once that window exists.
# Needs xvfb, openbox, xdotool, x11-utils (xprop) and imagemagick.
set -euo pipefail

cd "$(dirname "$0")/.."
repo=$PWD
build=$(realpath "${1:-build}")
out=$repo/docs/images
display=:${SHOT_DISPLAY:-57}

for tool in Xvfb openbox xdotool xprop xwininfo import convert; do
    command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing" >&2; exit 2; }
done
[ -x "$build/kestrix" ] && [ -x "$build/kestrix-newdb" ] || { echo "screenshots: build $build first" >&2; exit 2; }

work=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1400x1000x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.2; done

# The program's settings and caches stay in the temporary folder.
mkdir -m 700 "$work/config" "$work/cache" "$work/runtime"
export XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/runtime
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

"$build/kestrix-newdb" --demo "$work/data.mdb"
(cd "$work" && exec "$build/kestrix") >"$work/kestrix.log" 2>&1 &
pids+=($!)

mkdir -p "$out"
shot_no=0
skipped=()

# The id of the visible window whose title matches, waiting up to $2 seconds.
window() {
    local id
    for _ in $(seq $((${2:-10} * 5))); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}

settle() { sleep "${1:-0.8}"; }

grab() { import -window root "$work/root.png"; }

# Writes the grabbed screen, cut to X Y W H, as a palette PNG.
save() {
    local name=$1 x=$2 y=$3 w=$4 h=$5
    ((x < 0)) && { w=$((w + x)); x=0; }
    ((y < 0)) && { h=$((h + y)); y=0; }
    convert "$work/root.png" -crop "${w}x${h}+${x}+${y}" +repage -dither None -colors 256 "PNG8:$out/$name.png"
    shot_no=$((shot_no + 1))
    echo "  $name.png (${w}x${h})"
}

# The window with its frame and title bar: the client's place on the screen
# less the frame's extents that openbox announces.
frame_of() {
    local x y w h ext l r t b
    x=$(xwininfo -id "$1" | sed -n 's/.*Absolute upper-left X: *//p')
    y=$(xwininfo -id "$1" | sed -n 's/.*Absolute upper-left Y: *//p')
    w=$(xwininfo -id "$1" | sed -n 's/.*Width: *//p')
    h=$(xwininfo -id "$1" | sed -n 's/.*Height: *//p')
    ext=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ' ')
    IFS=, read -r l r t b <<<"${ext:-0,0,0,0}"
    echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}

shoot_window() {
    settle
    grab
    # shellcheck disable=SC2046
    save "$1" $(frame_of "$2")
}

# What changed on screen since the last grab (an open menu, a panel), with a
# margin, cut from the new screen.
shoot_change() {
    cp "$work/root.png" "$work/before.png"
    settle
    grab
    local box
    box=$(convert "$work/before.png" "$work/root.png" -compose difference -composite -threshold 1% -trim \
        -format '%w %h %X %Y' info: 2>/dev/null || true)
    read -r w h x y <<<"$box"
    x=${x#+}; y=${y#+}
    if [ -z "$box" ] || [ "$w" -le 1 ]; then skipped+=("$1 (nothing changed)"); return 0; fi
    save "$1" $((x - 12)) $((y - 12)) $((w + 24)) $((h + 24))
}

click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
key() { xdotool key --clearmodifiers "$@"; }
close_window() { xdotool windowactivate --sync "$1" key --clearmodifiers alt+F4 2>/dev/null || true; settle 0.5; }

# Main-window places, in client pixels: the client area is 1058 × 614 above
# the status bar; the lower panel starts at y 473; its toolbar sits at
# (552, 16) with 55-pixel buttons, and the two picture buttons below it.
# Toolbar buttons from the left: 批量导入, 新建记录, 网点查询, 数据备份, 寄件人, 设 置, 技术支持.
toolbar() { click "$main" $((556 + 55 * $1 + 27)) $((473 + 16 + 27)); }
IMPORT=0 LOOKUP=2 BACKUP=3 SENDER=4 SETTINGS=5 SUPPORT=6
single_print() { click "$main" 640 572; }
batch_print() { click "$main" 792 572; }

# Shoots the window titled $2 that one entry of a menu opens: $3 opens the
# menu, and the entries are tried from the top, so the script needs no count
# of them and goes past entries that are not there or disabled. A window that
# never opens is reported and skipped.
from_menu() {
    local name=$1 title=$2 opener=$3 id n
    for n in 1 2 3 4 5 6 7; do
        "$opener"
        settle 0.4
        for _ in $(seq "$n"); do key Down; done
        key Return
        if id=$(window "$title" 2); then
            shoot_window "$name" "$id"
            close_window "$id"
            return 0
        fi
        key Escape Escape
        settle 0.3
    done
    skipped+=("$name ($title did not open)")
}

# Shoots the window titled $2 that the action $3… opens, or skips it.
from_action() {
    local name=$1 title=$2 id
    shift 2
    "$@"
    if id=$(window "$title" 5); then
        shoot_window "$name" "$id"
        close_window "$id"
    else
        skipped+=("$name ($title did not open)")
        key Escape
        settle 0.3
    fi
}

import_menu() { toolbar $IMPORT; }
settings_menu() { toolbar $SETTINGS; }
support_menu() { toolbar $SUPPORT; }

echo "screenshots into $out:"

login=$(window '^用户登录$' 30)
shoot_window login "$login"
# The names stand sorted, 小王 first; Down picks the administrator and sends
# the focus on to the password.
xdotool windowactivate --sync "$login"
key Down
xdotool type --delay 80 507
click "$login" 304 125

main=$(window 'Kestrix快递单打印软件' 20)
xdotool windowactivate --sync "$main"
settle 1.5
shoot_window main "$main"

grab; toolbar $IMPORT; shoot_change menu-import; key Escape; settle 0.3
grab; toolbar $SETTINGS; shoot_change menu-settings; key Escape; settle 0.3
grab; batch_print; shoot_change menu-batch-print; key Escape; settle 0.3
# The row is chosen first, so that only the menu differs between the grabs.
click "$main" 300 120; settle 0.5
grab; xdotool mousemove --window "$main" 300 120 click 3; shoot_change menu-grid; key Escape; settle 0.3

# The order editor: double-click the second order of the list.
xdotool mousemove --window "$main" 300 74 click --repeat 2 --delay 80 1
shoot_window editor "$main"
click "$main" $((192 + 528)) $((91 + 16))   # its cross
settle 0.3

toolbar $SENDER
shoot_window sender "$main"
key Escape
from_menu import 'Excel导入数据库' import_menu
from_menu batch-preview 'Report Preview' batch_print
from_action list-preview '^Preview$' key ctrl+d
from_menu change-password '^更改密码$' settings_menu
from_menu user-admin '用户管理' settings_menu
from_menu connection '^数据库连接$' settings_menu
from_menu calibration '打印校准' settings_menu
from_action backup '数据库备份' toolbar $BACKUP
# Run as root, the lookup window starts no browser and says why instead:
# no picture for the guide, which keeps the one it has.
if [ "$(id -u)" -eq 0 ]; then
    skipped+=("web-lookup (run as root: the window shows no browser)")
else
    from_action web-lookup '^网点查询$' toolbar $LOOKUP
fi
from_menu about '关于软件' support_menu

echo "$shot_no screenshots written"
for s in "${skipped[@]}"; do echo "  skipped: $s"; done
