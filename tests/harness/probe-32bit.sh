#!/usr/bin/env bash
# Says whether this machine starts 32-bit programs, by starting one: Wine's own
# 32-bit loader. Prints the reason; exit code 0 when they start, 1 when not.
if out=$(/usr/lib/wine/wine --version 2>&1); then
    echo "this machine starts 32-bit programs ($out)"
    exit 0
fi
echo "this machine does not start 32-bit programs (/usr/lib/wine/wine --version: ${out:-no output})"
exit 1
