#!/bin/sh
# objscope's refreshing display at a real terminal (tmux, 200 x 40), linked
# over TCP to the sample storage process: a page that follows the server's
# objects, paging keys, a shortcut key, leaving with q, the refresh interval.
# Usage: objscope_display_test.sh OBJSCOPE SAMPLE_STORAGE
set -eu
objscope=$1
sample=$2
work=$(mktemp -d)
tmux="tmux -L objscope-display-$$ -f /dev/null"
pane=display
cleanup() {
    $tmux kill-server 2>/dev/null || true
    [ -z "${sample_pid:-}" ] || kill "$sample_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A failure shows what the pane and the sample process showed at that moment.
fail() {
    echo "FAIL: $*"
    echo "--- the pane ---"
    $tmux capture-pane -p -t "$pane" 2>/dev/null || true
    echo "--- the sample process ---"
    tail -20 "$work/sample.out" 2>/dev/null || true
    exit 1
}
# Every wait gives up after 300 looks (30 s and more): a hang guard only.
wait_for() { # a line of the pane matching $1 (grep -E)
    tries=0
    until $tmux capture-pane -p -t "$pane" | grep -E -q -- "$1"; do
        tries=$((tries + 1))
        [ $tries -le 300 ] || fail "never saw: $1"
        sleep 0.1
    done
}
wait_gone() {
    tries=0
    while $tmux capture-pane -p -t "$pane" | grep -E -q -- "$1"; do
        tries=$((tries + 1))
        [ $tries -le 300 ] || fail "still showing: $1"
        sleep 0.1
    done
}
alternate() { $tmux display-message -p -t "$pane" '#{alternate_on}'; }

# The sample process takes its commands from a fifo kept open here.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
mkfifo "$work/sample.in"
"$sample" "$port" mdm <"$work/sample.in" >"$work/sample.out" 2>&1 &
sample_pid=$!
exec 3>"$work/sample.in"
# Link only once the sample process listens (it says "ready").
tries=0
until grep -q '^ready ' "$work/sample.out" 2>/dev/null; do
    tries=$((tries + 1))
    [ $tries -le 300 ] || fail "the sample process never got ready"
    sleep 0.1
done
head -c 352 /dev/zero >"$work/vol.bin"
echo "add 64 $work/vol.bin 3" >&3

$tmux new-session -d -s "$pane" -x 200 -y 40 "'$objscope'; sleep 60"
wait_for '^exit <==> leave sdbg'
$tmux send-keys -t "$pane" "c mdm 127.0.0.1 $port" Enter
wait_for '^Linked successfully to mdm'
$tmux send-keys -t "$pane" 'slh 5' Enter
wait_for 'New height is set to 5'

# A refreshing page in the second buffer, following the server's objects.
$tmux send-keys -t "$pane" 'd mdm-vol' Enter
wait_for '^Screen: MDM VOL objects'
wait_for '^vol +\(3 objects\) \[ 0 1 2 \]'
# A page of five rows, all drawn: the fifth is object 0's first line; its
# second belongs to the next page.
wait_for '^0: ID:'
if $tmux capture-pane -p -t "$pane" | grep -E -q '^ Read BWC:'; then
    fail "a sixth row was drawn on a page of five"
fi
[ "$(alternate)" = 1 ] || fail "the display is not in the second buffer"
echo "add 64 $work/vol.bin 1" >&3
wait_for '^vol +\(4 objects\) \[ 0 1 2 3 \]'

# Five lines a page: the next page holds the second line of object 0's
# view (its counters), the previous one is the title again.
$tmux send-keys -t "$pane" '+'
wait_for '^ Read BWC:'
wait_gone '^Screen: MDM VOL objects'
$tmux send-keys -t "$pane" 'k'
wait_for '^Screen: MDM VOL objects'

# A shortcut key leaves this display and shows screen 1.
$tmux send-keys -t "$pane" '1'
wait_for '^Screen: Mos objects'
$tmux send-keys -t "$pane" 'q'
wait_for '^exit <==> leave sdbg'
[ "$(alternate)" = 0 ] || fail "the second buffer is still on after q"
wait_gone '^Screen: '

# The refresh interval: an hour-long one shows the page once and no more,
# however the server's objects change; a one-second one follows them.
$tmux send-keys -t "$pane" 'setrefreshrate 0' Enter
wait_for 'refreshrate cannot be zero'
$tmux send-keys -t "$pane" 'setrefreshrate 3600' Enter
wait_for '^refresh rate was changed to 3600 seconds'
$tmux send-keys -t "$pane" 'getrefreshrate' Enter
wait_for '^Current refresh rate is 3600 seconds'
$tmux send-keys -t "$pane" 'd mdm-vol' Enter
wait_for '^vol +\(4 objects\)'
echo "add 64 $work/vol.bin 1" >&3
sleep 3
$tmux capture-pane -p -t "$pane" | grep -E -q '^vol +\(4 objects\)' ||
    fail "an hour-long refresh interval refreshed within seconds"
$tmux send-keys -t "$pane" 'q'
wait_for '^exit <==> leave sdbg'
$tmux send-keys -t "$pane" 'setrefreshrate 1' Enter
wait_for '^refresh rate was changed to 1 seconds'
$tmux send-keys -t "$pane" 'd mdm-vol' Enter
wait_for '^vol +\(5 objects\)'
echo "add 64 $work/vol.bin 1" >&3
wait_for '^vol +\(6 objects\)'
$tmux send-keys -t "$pane" 'q'
wait_for '^exit <==> leave sdbg'

$tmux send-keys -t "$pane" 'exit' Enter
echo "display tests passed"
