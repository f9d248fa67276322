#!/usr/bin/env bash
# Runs veltra-mouse --demo on a private X server with a notification area (trayer) and acts on it
# as a user would: the window appears, its icon sits in the tray, the close button hides the
# window into the tray (exit_mode=1) and a click on the icon brings it back, a second start asks
# the first to show itself and leaves, and the icon's one menu entry ends the program cleanly.
# Started with the session and told to begin in the tray, it shows no window until the icon is
# clicked.
# Leaves a picture of the desktop in <build>/window-views/x11-desktop.png.
#
#   tray_under_x.sh BIN_DIR
#
# Exit 77 (skipped) when Xvfb, trayer, xdotool or xwininfo/xprop is missing.
#
# Qt shows a StatusNotifierItem instead of an XEmbed icon whenever the session bus has a
# StatusNotifierWatcher; trayer only speaks XEmbed. The check therefore runs on a bus of its own
# (dbus-run-session), on which no watcher is registered, or on none at all, so the caller's
# desktop session never decides which path Qt takes.
set -uo pipefail

bin_dir=$(cd "${1:?usage: tray_under_x.sh BIN_DIR}" && pwd)
app="$bin_dir/veltra-mouse"
shot_dir="$(dirname "$bin_dir")/window-views"

for tool in Xvfb trayer xdotool xwininfo xprop; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[[ -x $app ]] || { echo "FAIL: $app was not built"; exit 1; }

if [[ -z ${VELTRA_X_CHECK_BUS:-} ]]; then
    export VELTRA_X_CHECK_BUS=1
    unset DBUS_SESSION_BUS_PID DBUS_SESSION_BUS_WINDOWID
    if command -v dbus-run-session >/dev/null; then
        exec timeout -k 5 270 dbus-run-session -- "$0" "$@"
    fi
    # No bus at all: an address nobody listens on, so libdbus does not start one on the display.
    export DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/veltra-x-check-bus"
    exec timeout -k 5 270 "$0" "$@"
fi

work=$(mktemp -d)
xvfb_pid='' trayer_pid='' app_pid='' app_log=''
cleanup() {
    for pid in $app_pid $trayer_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' TERM INT

fail() {
    echo "FAIL: $*"
    [[ -s $app_log ]] && { echo "--- veltra-mouse output"; cat "$app_log"; }
    exit 1
}

# Polls a command until it succeeds; false after the given number of seconds.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

# The X server picks a free display itself and writes its number to the file.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_for 30 grep -q '[0-9]' "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=":$(tr -dc '0-9' <"$work/display")"
export DISPLAY
wait_for 30 xdotool getmouselocation || fail "the X server $DISPLAY does not answer"

trayer --edge bottom --align right --widthtype request --height 32 >"$work/trayer.log" 2>&1 &
trayer_pid=$!
tray_panel() { xwininfo -root -tree | awk '/\("panel" "trayer"\)/ { print $1; exit }'; }
has_tray_panel() { [[ -n $(tray_panel) ]]; }
wait_for 30 has_tray_panel || fail "trayer did not start: $(cat "$work/trayer.log")"
panel=$(tray_panel)

# A private user: nothing of the caller's settings, profiles or running instance is seen.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime" XDG_CACHE_HOME="$work/cache"
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Veltra Mouse" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 0700 "$XDG_RUNTIME_DIR"
printf 'exit_mode=1\n' >"$XDG_CONFIG_HOME/Veltra Mouse/settings"
export QT_QPA_PLATFORM=xcb QT_LOGGING_RULES="qt.qpa.tray.debug=true"
unset WAYLAND_DISPLAY QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_SCALE_FACTOR \
    QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING

start_app() {
    app_log="$work/app-$1.log"
    shift
    "$app" "$@" >"$app_log" 2>&1 &
    app_pid=$!
}
alive() { kill -0 "$app_pid" 2>/dev/null; }
ended() { ! alive; }
main_window() { xdotool search --onlyvisible --name '^Veltra Mouse$' | head -n 1; }
window_shown() { [[ -n $(main_window) ]]; }
window_hidden() { alive && [[ -z $(main_window) ]]; }
# The icon is the program's window embedded below trayer's panel: "id name: (instance class) ...".
tray_icon() { xwininfo -id "$panel" -tree | awk '/\("veltra-mouse" / { print $1; exit }'; }
icon_embedded() { [[ -n $(tray_icon) ]]; }
icon_gone() { [[ -z $(tray_icon) ]]; }
click_icon() { xdotool mousemove --window "$(tray_icon)" 8 8 click "$1"; }
close_window() {
    local win
    win=$(main_window)
    eval "$(xdotool getwindowgeometry --shell "$win")"
    xdotool mousemove --window "$win" $((WIDTH - 28)) 25 click 1
}
# xwininfo lists the root's children from the top of the stack down.
stacked_above_panel() {
    xwininfo -root -children | awk -v w="$(printf '0x%x' "$window")" -v p="$panel" '
        $1 == w { print "window"; exit } $1 == p { print "panel"; exit }' | grep -q window
}
# The program's mapped popup menu: an override-redirect window that is not a tooltip (one may
# show over the icon). Qt marks a menu without a parent as a normal window, not a popup menu.
menu_window() {
    local w icon
    icon=$(tray_icon)
    for w in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
        [[ $w == "$((icon))" ]] && continue
        xwininfo -id "$w" | grep -q 'Override Redirect State: yes' || continue
        xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q TOOLTIP && continue
        echo "$w"
        return
    done
}
has_menu() { [[ -n $(menu_window) ]]; }

# The icon's context menu has one entry, which ends the program with 0. Takes the desktop's
# picture while the menu is open when given a file.
exit_from_tray_menu() {
    local shot=${1:-} menu status
    click_icon 3
    wait_for 15 has_menu || fail "a right click on the tray icon opened no menu"
    menu=$(menu_window)
    eval "$(xdotool getwindowgeometry --shell "$menu")"
    # One entry in the program's menu look is about 40 pixels high, two at least 70.
    ((HEIGHT < 60)) || fail "the tray menu is ${HEIGHT} pixels high: more than one entry"
    if [[ -n $shot ]] && command -v import >/dev/null; then
        mkdir -p "$(dirname "$shot")"
        import -window root "$shot" && echo "desktop picture: $shot"
    fi
    xdotool mousemove --window "$menu" $((WIDTH / 2)) $((HEIGHT / 2)) click 1
    wait_for 15 ended || fail "choosing the tray menu's entry did not end the program"
    wait "$app_pid"
    status=$?
    app_pid=''
    [[ $status == 0 ]] || fail "the program ended with $status after the tray menu's entry"
    echo "the tray menu's one entry (${WIDTH}x${HEIGHT}) ended the program with 0"
}

started=$SECONDS
start_app window --demo
wait_for 60 window_shown || fail "no visible window named Veltra Mouse"
echo "window shown after $((SECONDS - started)) s"
wait_for 30 icon_embedded || fail "no icon in the notification area"
echo "tray icon $(tray_icon) embedded in trayer's panel $panel"
grep -q 'D-Bus tray available: false' "$app_log" &&
    echo "tray path: XEmbed (Qt found no StatusNotifierWatcher on the bus)"

# exit_mode=1: the close button hides into the tray and the program lives on.
close_window
wait_for 15 window_hidden || fail "the close button did not hide the window into the tray"
echo "the close button hid the window"
click_icon 1
wait_for 15 window_shown || fail "a click on the tray icon did not show the window again"
echo "a click on the tray icon showed it again"

# A second start while hidden: it asks the first to show itself and leaves with 0. Trayer's
# panel is raised above the hidden window first: mapping keeps that place, only a raise leaves it.
window=$(main_window)
close_window
wait_for 15 window_hidden || fail "the close button did not hide the window a second time"
xdotool windowraise "$panel"
! stacked_above_panel || fail "the panel could not be raised above the hidden window"
timeout 20 "$app" >"$work/second.log" 2>&1
second=$?
[[ $second == 0 ]] || fail "the second start ended with $second: $(cat "$work/second.log")"
wait_for 15 window_shown || fail "the second start did not show the first window"
wait_for 15 stacked_above_panel || fail "the second start showed the window without raising it"
alive || fail "the first instance ended when the second started"
[[ $(xdotool search --name '^Veltra Mouse$' | wc -l) == 1 ]] ||
    fail "the second start opened a window of its own"
echo "a second start left with 0 and showed the first window"

exit_from_tray_menu "$shot_dir/x11-desktop.png"
wait_for 15 icon_gone || fail "the tray icon stayed after the program ended"

# Started with the session and told to begin in the tray: no window until the icon is clicked.
printf 'exit_mode=1\nautorun_minimize=1\n' >"$XDG_CONFIG_HOME/Veltra Mouse/settings"
start_app autorun --demo -autorun
wait_for 60 icon_embedded || fail "the hidden start put no icon in the notification area"
# Watched for a while: a window shown by mistake would be mapped along with the icon.
! wait_for 3 window_shown || fail "the hidden start showed its window"
alive || fail "the hidden start ended"
click_icon 1
wait_for 15 window_shown || fail "a click on the tray icon did not show the hidden start's window"
echo "the hidden start waited in the tray until its icon was clicked"
exit_from_tray_menu
echo "all checks passed in $((SECONDS - started)) s"
