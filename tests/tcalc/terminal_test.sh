#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# tcalc at the prompt, as a person meets it: started in a tmux pane (a real terminal), keys
# are typed into it and the screen is read back. Every step waits for what it expects to
# see, up to a generous timeout, so a slow machine only makes it slower. tcalc runs twice in
# the pane, with a home of its own: the second run recalls the first one's history.
#   terminal_test.sh TCALC EDITING   EDITING is ON when tcalc was built with libedit
set -euo pipefail
tcalc=$1
editing=$2
timeout=${TCALC_TERMINAL_TIMEOUT:-60}

command -v tmux >/dev/null || { echo "tmux is needed (Debian package tmux; script/test installs it)"; exit 1; }
if [ "$editing" != ON ]; then
    echo "tcalc was built without libedit: no history to recall; skipped"
    exit 77
fi

dir=$(mktemp -d)
socket=$dir/tmux
tm() { tmux -S "$socket" "$@"; }
trap 'tm kill-server 2>/dev/null || true; rm -rf "$dir"' EXIT
printf 'set -g remain-on-exit on\nset -g history-limit 5000\n' >"$dir/tmux.conf"

screen() { tm capture-pane -p -J -S - -t tcalc; }

# Waits until the screen holds the fixed string $1 at least ${2:-1} times.
expect() {
    local want=$1 times=${2:-1} deadline=$((SECONDS + timeout))
    while [ "$(screen | grep -cF -- "$want" || true)" -lt "$times" ]; do
        if [ $SECONDS -ge $deadline ]; then
            echo "FAIL: after ${timeout} s the screen does not show '$want' $times time(s); it shows:"
            screen
            exit 1
        fi
        sleep 0.1
    done
}

# Types the keys and waits for the next prompt: the prompt count is one more afterwards.
prompts=1
type_line() {
    tm send-keys -t tcalc "$@"
    prompts=$((prompts + 1))
    expect 'tcalc> ' "$prompts"
}

# The shell in the pane keeps tcalc's exit status, which tmux does not always learn.
# A history file longer than the limit, which tcalc cuts to its last 1000 lines.
mkdir -p "$dir/state/tcalc"
{ echo _HiStOrY_V2_; seq 1 1200; } >"$dir/state/tcalc/history"
run="env HOME='$dir/home' XDG_STATE_HOME='$dir/state' '$tcalc'"
tm -f "$dir/tmux.conf" new-session -d -s tcalc -x 100 -y 50 \
    "$run; echo \$? >'$dir/status'; $run; echo \$? >'$dir/status2'"
expect 'help for help, quit to leave'
expect 'tcalc> '

type_line -l 'x = 2 ^ 10' \; send-keys -t tcalc Enter
expect '  exact    1024'
type_line -l 'x / 3' \; send-keys -t tcalc Enter
expect '  exact    1024/3'
expect '  decimal  ~341.33333333333'

# The up arrow brings back "x / 3"; the last character is replaced by 4.
tm send-keys -t tcalc Up
expect 'tcalc> x / 3' 2
type_line BSpace 4 Enter
expect 'tcalc> x / 4'
expect '  exact    256'

type_line -l 'ans * 2 + 1' \; send-keys -t tcalc Enter
expect '  exact    513'

# A mistake: the caret stands under the unknown name and the error names its column.
type_line -l 'x * y' \; send-keys -t tcalc Enter
expect "tcalc: error: column 5: unknown name 'y'"
expect '           ^'
# Tab completes a name (x2 from x), and x keeps its value after the error.
type_line -l 'x2_ = x - 24' \; send-keys -t tcalc Enter
expect '  exact    1000'
tm send-keys -t tcalc -l 'x2'
tm send-keys -t tcalc Tab
expect 'tcalc> x2_'
type_line -l ' / 8' \; send-keys -t tcalc Enter
expect '  exact    125'

# Tab completes a function's name too (where tcalc has the functions).
if ! "$tcalc" --help | grep -q 'built without kestrom-math'; then
    tm send-keys -t tcalc -l '1 + hyp'
    tm send-keys -t tcalc Tab
    expect 'tcalc> 1 + hypot'
    type_line -l '(3, 4)' \; send-keys -t tcalc Enter
    expect '  exact    6'
fi

# Ctrl-C drops the line being typed and prompts again; the names stay.
type_line -l '1 + 2 * ' \; send-keys -t tcalc C-c
type_line -l 'x2_ - 958' \; send-keys -t tcalc Enter
expect '  exact    42'

wait_status() {
    local deadline=$((SECONDS + timeout))
    until [ -s "$1" ]; do
        if [ $SECONDS -ge $deadline ]; then
            echo "FAIL: tcalc did not exit within ${timeout} s after quit:"
            screen
            exit 1
        fi
        sleep 0.1
    done
    status=$(cat "$1")
    [ "$status" = 0 ] || { echo "FAIL: tcalc exited with status $status after quit"; screen; exit 1; }
}

tm send-keys -t tcalc -l 'quit'
tm send-keys -t tcalc Enter
wait_status "$dir/status"
history=$dir/state/tcalc/history
grep -qx 'x2_\\040-\\040958' "$history" || { echo "FAIL: $history lacks the last line:"; cat "$history"; exit 1; }
grep -q '1\\040+\\0402' "$history" && { echo "FAIL: the line dropped by Ctrl-C is in $history"; exit 1; }
lines=$(wc -l <"$history")
[ "$lines" -le 1001 ] || { echo "FAIL: $history has $lines lines, more than the 1000 kept"; exit 1; }

# The second run: the up arrow goes back through the first run's lines.
prompts=$((prompts + 1))
expect 'tcalc> ' "$prompts"
tm send-keys -t tcalc Up Up
expect 'tcalc> x2_ - 958' 2
tm send-keys -t tcalc C-u
tm send-keys -t tcalc -l 'quit'
tm send-keys -t tcalc Enter
wait_status "$dir/status2"
echo "tcalc at the prompt: expressions, history (kept between runs), names, ans, an error, Ctrl-C and quit all behaved"
