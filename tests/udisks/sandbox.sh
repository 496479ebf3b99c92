#!/bin/bash
# A private udisks2 for tests: its own "system" D-Bus bus, udev, polkit with
# rules of its own, and udisksd, so that a test can reach block devices the
# way an ordinary desktop user does. Runs as root; touches nothing of the
# machine's own services (a udev that already answers is used, never
# stopped), and stops exactly the processes it started.
#
#   sandbox.sh start DIR USER      start everything below DIR; the polkit rules
#                                  let USER open and mount devices (grant on)
#   sandbox.sh grant DIR USER 0|1  take the grant away / give it back
#   sandbox.sh stop-udisks DIR     stop udisksd alone (a machine without it)
#   sandbox.sh stop DIR            stop what start started
#   sandbox.sh wait-device DIR /dev/loopN
#                                  wait until udisks2 knows the device
#
# start prints DBUS_SYSTEM_BUS_ADDRESS=...; every other step prints nothing
# on success. Exit status 0 on success; on failure the reason is on standard
# error and the status is 1.
set -uo pipefail

UDEVD=/lib/systemd/systemd-udevd
POLKITD=/usr/lib/polkit-1/polkitd
UDISKSD=/usr/libexec/udisks2/udisksd

die() { echo "sandbox: $*" >&2; exit 1; }

command=${1:-}
dir=${2:-}
[ -n "$command" ] && [ -n "$dir" ] || die "usage: sandbox.sh start|grant|stop-udisks|stop|wait-device DIR ..."
socket=$dir/bus
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$socket

# A pid file holds "PID STARTTIME": a pid the system gave to another process
# since is never taken for ours. A zombie counts as gone.
started_at() { awk '$3 != "Z" {print $22}' "/proc/$1/stat" 2>/dev/null; }
remember() { echo "$2 $(started_at "$2")" > "$dir/$1.pid"; }
running() {
    local pid at
    [ -f "$dir/$1.pid" ] || return 1
    read -r pid at < "$dir/$1.pid"
    [ -n "$pid" ] && [ "$(started_at "$pid")" = "$at" ]
}
stop_one() {
    local pid at i
    [ -f "$dir/$1.pid" ] || return 0
    read -r pid at < "$dir/$1.pid"
    if [ -n "$pid" ] && [ "$(started_at "$pid")" = "$at" ]; then
        kill "-$2" "$pid" 2>/dev/null
        for i in $(seq 100); do [ "$(started_at "$pid")" = "$at" ] || break; sleep 0.05; done
        [ "$(started_at "$pid")" = "$at" ] && kill -KILL "$pid" 2>/dev/null
    fi
    rm -f "$dir/$1.pid"
}
wait_until() {  # wait_until SECONDS WHAT COMMAND...
    local tries=$(( $1 * 20 )) what=$2
    shift 2
    until "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ $tries -gt 0 ] || die "timed out waiting for $what"
        sleep 0.05
    done
}
owns_name() {
    dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

write_rules() {  # write_rules USER 0|1
    mkdir -p "$dir/rules"
    local rules=$dir/rules/50-korvalith-test.rules
    if [ "$2" = 1 ]; then
        cat > "$rules.new" <<EOF
// The test user may open and mount block devices without a password.
polkit.addRule(function(action, subject) {
    if (subject.user == "$1" &&
        ["org.freedesktop.udisks2.open-device", "org.freedesktop.udisks2.open-device-system",
         "org.freedesktop.udisks2.filesystem-mount", "org.freedesktop.udisks2.filesystem-mount-system"]
            .indexOf(action.id) >= 0)
        return polkit.Result.YES;
});
EOF
    else
        echo "// No grant: the test user is refused." > "$rules.new"
    fi
    mv "$rules.new" "$rules"
    chown -R polkitd:root "$dir/rules" && chmod 700 "$dir/rules" && chmod 644 "$rules"
}

start() {
    local user=$1
    [ "$(id -u)" = 0 ] || die "must run as root"
    for tool in dbus-daemon dbus-send udevadm unshare "$UDEVD" "$POLKITD" "$UDISKSD"; do
        command -v "$tool" >/dev/null || die "$tool is missing (dbus, udev, polkitd, udisks2)"
    done
    id polkitd >/dev/null 2>&1 || die "the user polkitd is missing (polkitd)"
    mkdir -p "$dir" && chmod 755 "$dir" || die "cannot make $dir"

    cat > "$dir/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <user>messagebus</user>
  <auth>EXTERNAL</auth>
  <listen>unix:path=$socket</listen>
  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Introspectable"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Properties"/>
  </policy>
  <includedir>/usr/share/dbus-1/system.d</includedir>
  <includedir>/etc/dbus-1/system.d</includedir>
</busconfig>
EOF
    if ! running dbus; then
        rm -f "$socket"
        dbus-daemon --config-file="$dir/bus.conf" --fork --print-pid=3 3>"$dir/dbus.started" 2>>"$dir/dbus.log" ||
            die "dbus-daemon did not start (see $dir/dbus.log)"
        remember dbus "$(head -n1 "$dir/dbus.started")"
        wait_until 10 "the bus socket" test -S "$socket"
    fi

    if ! running udevd && ! udevadm control --ping >/dev/null 2>&1; then
        [ -e /run/udev ] || touch "$dir/made-run-udev"
        setsid "$UDEVD" </dev/null >>"$dir/udevd.log" 2>&1 &
        remember udevd $!
        wait_until 10 "udev" udevadm control --ping
    fi

    write_rules "$user" 1
    if ! running polkitd; then
        # The rules folder is replaced in a mount namespace of polkitd's own,
        # so /etc is never touched.
        setsid unshare --mount --propagation private sh -c \
            "mount --bind '$dir/rules' /etc/polkit-1/rules.d && exec '$POLKITD'" </dev/null >>"$dir/polkitd.log" 2>&1 &
        remember polkitd $!
        wait_until 10 "polkit" owns_name org.freedesktop.PolicyKit1
    fi

    start_udisks
    echo "DBUS_SYSTEM_BUS_ADDRESS=$DBUS_SYSTEM_BUS_ADDRESS"
}

start_udisks() {
    running udisksd && return 0
    setsid "$UDISKSD" </dev/null >>"$dir/udisksd.log" 2>&1 &
    remember udisksd $!
    wait_until 15 "udisks2" owns_name org.freedesktop.UDisks2
}

grant() {
    local loaded
    loaded=$(grep -c 'Finished loading' "$dir/polkitd.log" 2>/dev/null)
    write_rules "$1" "$2"
    # polkitd reads its rules again when they change; wait for it.
    wait_until 10 "polkit to reload its rules" sh -c "[ \$(grep -c 'Finished loading' '$dir/polkitd.log') -gt ${loaded:-0} ]"
}

knows_device() {
    dbus-send --system --print-reply --dest=org.freedesktop.UDisks2 \
        "/org/freedesktop/UDisks2/block_devices/$(basename "$1")" org.freedesktop.DBus.Properties.Get \
        string:org.freedesktop.UDisks2.Block string:Size 2>/dev/null | grep -q 'uint64 [1-9]'
}

case "$command" in
start) start "${3:?user}" ;;
grant) grant "${3:?user}" "${4:?0 or 1}" ;;
start-udisks) start_udisks ;;
stop-udisks) stop_one udisksd INT ;;
wait-device)
    udevadm settle --timeout=10 >/dev/null 2>&1
    wait_until 15 "udisks2 to know ${3:?device}" knows_device "$3"
    ;;
stop)
    stop_one udisksd INT
    stop_one polkitd TERM
    stop_one udevd TERM
    stop_one dbus TERM
    if [ -f "$dir/made-run-udev" ] && ! udevadm control --ping >/dev/null 2>&1; then
        rm -rf /run/udev
    fi
    rm -f "$dir/made-run-udev" "$socket"
    ;;
*) die "unknown step $command" ;;
esac
