#!/bin/sh
# objscope and its console devices at a real terminal (tmux, 200 x 40):
# title, screen list with its second column, typed commands, single raw
# keys, the alternate screen on and off, colours, and Ctrl+C ending the
# program with exit code 1 and the terminal restored.
# Usage: terminal_test.sh OBJSCOPE PROBE
set -eu
objscope=$1
probe=$2
work=$(mktemp -d)
tmux="tmux -L objscope-e2e-$$ -f /dev/null"
cleanup() {
    $tmux kill-server 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    echo "--- the pane ---"
    $tmux capture-pane -p -t "$pane" 2>/dev/null || true
    exit 1
}

# Waits until the pane shows a line matching the pattern (grep -E).
wait_for() {
    tries=0
    until $tmux capture-pane -p -t "$pane" | grep -E -q -- "$1"; do
        tries=$((tries + 1))
        [ $tries -le 300 ] || fail "never saw: $1" # a hang guard only
        sleep 0.1
    done
}

pane_format() {
    $tmux display-message -p -t "$pane" "$1"
}

# Runs a command line (shell syntax, redirections allowed) in a fresh
# 200 x 40 session; after it ends, the wrapper shows its exit code and
# whether the line discipline was put back.
start() {
    pane=$1
    command=$2
    cat >"$work/$pane.sh" <<WRAP
#!/bin/sh
# Ctrl+C is for the program under test; the wrapper outlives it. (An
# ignored SIGINT is inherited: the program must install its own handler.)
trap '' INT
$command
status=\$?
echo
echo "rc=\$status"
stty -a | tr ' ;' '\n\n' | grep -E -x -e '-?icanon' -e '-?echo' | tr '\n' ' '
echo
sleep 120
WRAP
    chmod +x "$work/$pane.sh"
    $tmux new-session -d -s "$pane" -x 200 -y 40 "$work/$pane.sh"
}

row() { # the pane's row $1 (0-based), as text
    $tmux capture-pane -p -t "$pane" | sed -n "$(($1 + 1))p"
}

expect_eq() {
    [ "$2" = "$3" ] || fail "$1: got '$2', want '$3'"
}

# --- objscope unlinked ---------------------------------------------------
start viewer "'$objscope'"
wait_for '^exit <==> leave sdbg'
expect_eq title "$(pane_format '#{pane_title}')" \
    "Not linked (private Tarnvox R3_0.1000.208_Release Sep 12 2019)"
expect_eq "row 0 first column" "$(row 0 | cut -c1-23)" "  1: Mos objects  (mos)"
expect_eq "row 0 second column" "$(row 0 | cut -c101-)" " 29: TGT Initiators  (tgt-ini)"
expect_eq "row 23 second column" "$(row 23 | cut -c101-)" \
    " 52: MDM VTree Migration Controller  (mdm-vtree-mig)"
expect_eq "row 27" "$(row 27 | sed 's/ *$//')" " 28: TGT Storage Pools  (tgt-sp)"
expect_eq "row 28" "$(row 28)" "Basic commands:"
expect_eq "row 36" "$(row 36)" ">"
expect_eq "alternate screen at the prompt" "$(pane_format '#{alternate_on}')" 0

$tmux send-keys -t "$pane" 'helpcmd d' Enter
wait_for '^Syntax: d <Screen number>$'
$tmux send-keys -t "$pane" 'nosuch' Enter
wait_for '^Unrecognized command$'
$tmux send-keys -t "$pane" C-c
wait_for '^rc=1$'
wait_for '^icanon echo *$'

# --- the end of the input (Ctrl+D at the prompt) acts as exit -------------
start eof "'$objscope'"
wait_for '^exit <==> leave sdbg'
$tmux send-keys -t "$pane" 'nosuch' Enter
wait_for '^Unrecognized command$'
# A typed line too long for the line buffer is reported, counted and
# dropped whole; one of 255 characters still runs.
$tmux send-keys -t "$pane" -l "$(printf 'x%.0s' $(seq 300))"
$tmux send-keys -t "$pane" Enter
wait_for '^Line too long$'
$tmux send-keys -t "$pane" -l "$(printf '%-255s' 'helpcmd d')"
$tmux send-keys -t "$pane" Enter
wait_for '^Syntax: d <Screen number>$'
$tmux send-keys -t "$pane" C-d
wait_for '^rc=2$'
wait_for '^icanon echo *$'

# --- mixed devices: output to a file, keys from the terminal --------------
start tofile "'$objscope' >'$work/out.txt'"
sleep 1
$tmux send-keys -t "$pane" 'getlogicalheight' Enter 'exit' Enter
wait_for '^rc=0$'
grep -q -x '>Current logical View height 99999' "$work/out.txt" ||
    fail "a redirected output is a stream of 99999 rows: $(tail -c 200 "$work/out.txt")"

# --- mixed devices: commands from a file, output on the terminal ----------
printf 'getlogicalheight\nexit\n' >"$work/commands.txt"
start fromfile "'$objscope' <'$work/commands.txt'"
wait_for '^rc=0$'
wait_for '^>Current logical View height 40$'

# --- the console devices -------------------------------------------------
start probe "'$probe'"
wait_for 'press a key'
expect_eq "alternate screen in a frame" "$(pane_format '#{alternate_on}')" 1
expect_eq "probe title" "$(pane_format '#{pane_title}')" "probe title"
# Value yellow, alert light red, ok dark yellow, label grey (like plain
# text), highlight light green on blue.
coloured=$($tmux capture-pane -e -p -t "$pane" | head -1)
for piece in "93mVALUE" "91mALERT" "33mOK" "37m LABEL" "92m" "44mHIGH"; do
    case "$coloured" in
        *"$piece"*) ;;
        *) fail "colour $piece missing in: $coloured" ;;
    esac
done

$tmux send-keys -t "$pane" x # one key, no Enter
wait_for '^key: x$'
wait_for '^press another key$'
expect_eq "alternate screen after the frame" "$(pane_format '#{alternate_on}')" 0
$tmux send-keys -t "$pane" y
wait_for 'press Ctrl\+C'
expect_eq "alternate screen again" "$(pane_format '#{alternate_on}')" 1
$tmux send-keys -t "$pane" C-c
wait_for '^rc=1$'
wait_for '^icanon echo *$'
expect_eq "alternate screen after Ctrl+C" "$(pane_format '#{alternate_on}')" 0
echo "terminal tests passed"
