#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# tcalc.1 renders without a warning from man (the command lintian runs on packaged pages),
# has a NAME line that whatis understands, and describes every option tcalc --help lists.
#   manpage_test.sh TCALC PAGE
set -euo pipefail
tcalc=$1
page=$2
command -v man >/dev/null || { echo "man is needed (Debian package man-db; script/test installs it)"; exit 1; }

warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
    echo "FAIL: man warns about $page:"
    echo "$warnings"
    exit 1
fi
lexgrog "$page" | grep -q 'tcalc - ' || { echo "FAIL: whatis cannot read the NAME section of $page"; exit 1; }

rendered=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$page" 2>/dev/null)
options=$("$tcalc" --help | grep -oE -- '--[a-z]+' | sort -u)
[ -n "$options" ] || { echo "FAIL: tcalc --help lists no options"; exit 1; }
for option in $options; do
    grep -qF -- "$option" <<<"$rendered" || { echo "FAIL: $page does not describe $option"; exit 1; }
done
echo "$page renders cleanly and describes" $options
