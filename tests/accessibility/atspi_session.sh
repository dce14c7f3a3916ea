#!/bin/bash
# Runs the panel program as a screen reader meets it: on a display, a session bus and an
# accessibility bus of the test's own, with the AT-SPI client script reading it. Every
# process is started here, remembered by its id, and stopped by that id (with whatever it
# started in turn) however the script ends.
#
# usage: atspi_session.sh PANEL PYTHON CLIENT BUS_LAUNCHER REGISTRY
set -u
panel=$1
python=$2
client=$3
launcher=$4
registry=$5

scratch=$(mktemp -d)
started=()

# The processes below one id, deepest first: the accessibility bus is the launcher's child.
descendants()
{
    local child
    for child in $(awk -v parent="$1" '$4 == parent { print $1 }' /proc/[0-9]*/stat 2>/dev/null); do
        descendants "$child"
        echo "$child"
    done
}

# Children go first, each waited for until its parent has reaped it, so that nothing is left
# for init, which may reap nothing in a container.
stop_one()
{
    local pid=$1 tries
    kill -TERM "$pid" 2>/dev/null
    for ((tries = 0; tries < 200; tries++)); do
        [ -e "/proc/$pid" ] || return 0
        sleep 0.05
    done
}

stop_all()
{
    local index pid child
    for ((index = ${#started[@]} - 1; index >= 0; index--)); do
        pid=${started[index]}
        for child in $(descendants "$pid"); do
            stop_one "$child"
        done
        kill -TERM "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$scratch"
}
trap stop_all EXIT
trap 'exit 1' HUP INT PIPE TERM

fail()
{
    echo "atspi_session: $*" >&2
    tail -n 20 "$scratch"/*.log >&2
    exit 1
}

# Waits until the file has a first line, as long as the process that writes it lives.
# Generous: only a server that never comes up runs out.
first_line()
{
    local file=$1 pid=$2 tries
    for ((tries = 0; tries < 600; tries++)); do
        if [ -s "$file" ] && grep -q . "$file"; then
            head -n 1 "$file"
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

mkdir -m 700 "$scratch/run" "$scratch/home"
export HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/run XDG_CONFIG_HOME=$scratch/home/.config

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
started+=($!)
display=$(first_line "$scratch/display" $!) || fail "Xvfb did not start"
export DISPLAY=:$display

# A bus that activates nothing: every service on it is one started here.
cat >"$scratch/session.conf" <<CONF
<busconfig>
  <type>session</type>
  <listen>unix:dir=$scratch/run</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --config-file="$scratch/session.conf" --nofork --nopidfile --print-address=3 \
    3>"$scratch/bus" 2>"$scratch/session-bus.log" &
started+=($!)
DBUS_SESSION_BUS_ADDRESS=$(first_line "$scratch/bus" $!) || fail "the session bus did not start"
export DBUS_SESSION_BUS_ADDRESS

# Whether a bus has a name's owner yet, until it does or the process that should own it stops.
wait_for_name()
{
    local bus=$1 name=$2 pid=$3 tries
    for ((tries = 0; tries < 600; tries++)); do
        # dbus-send registers on a bus only when it takes it for the session's.
        if DBUS_SESSION_BUS_ADDRESS=$bus dbus-send --session --print-reply --dest=org.freedesktop.DBus \
            /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner "string:$name" 2>/dev/null |
            grep -q 'boolean true'; then
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

"$launcher" --launch-immediately --a11y=1 2>"$scratch/launcher.log" &
started+=($!)
wait_for_name "$DBUS_SESSION_BUS_ADDRESS" org.a11y.Bus $! || fail "the accessibility bus did not start"
a11y_bus=$(dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.a11y.Bus.GetAddress | sed -n 's/^ *string "\(.*\)"$/\1/p')
[ -n "$a11y_bus" ] || fail "the accessibility bus has no address"

# Started here rather than by the accessibility bus, which would leave it to init.
AT_SPI_BUS_ADDRESS=$a11y_bus "$registry" >"$scratch/registry.log" 2>&1 &
started+=($!)
wait_for_name "$a11y_bus" org.a11y.atspi.Registry $! || fail "the registry did not start"

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$panel" --demo 2>"$scratch/panel.log" &
started+=($!)

"$python" "$client" "$!"
result=$?
[ $result -eq 0 ] || tail -n 20 "$scratch"/*.log >&2
exit $result
