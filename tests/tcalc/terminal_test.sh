#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# tcalc at the prompt, as a person meets it: started in a tmux pane (a real terminal), keys
# are typed into it and the screen is read back. Every step waits for what it expects to
# see, up to a generous timeout, so a slow machine only makes it slower.
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
tm -f "$dir/tmux.conf" new-session -d -s tcalc -x 100 -y 50 "'$tcalc'; echo \$? >'$dir/status'"
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

tm send-keys -t tcalc -l 'quit'
tm send-keys -t tcalc Enter
deadline=$((SECONDS + timeout))
until [ -s "$dir/status" ]; do
    if [ $SECONDS -ge $deadline ]; then
        echo "FAIL: tcalc did not exit within ${timeout} s after quit:"
        screen
        exit 1
    fi
    sleep 0.1
done
status=$(cat "$dir/status")
[ "$status" = 0 ] || { echo "FAIL: tcalc exited with status $status after quit"; screen; exit 1; }
echo "tcalc at the prompt: expressions, history, names, ans, an error and quit all behaved"
