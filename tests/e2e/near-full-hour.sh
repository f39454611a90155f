#!/usr/bin/env bash
# Runs a command in a time zone whose local time is now a few seconds past
# HH:58:00, so that a test can meet "an installation due at the next full hour
# within two minutes" without waiting for the clock. Wine takes the local time
# from TZ, and programs started from the command inherit it.
# Usage: near-full-hour.sh COMMAND [ARGS...]
set -eu
second_of_hour=$(( $(date -u +%s) % 3600 ))
offset=$(( (58 * 60 + 5 - second_of_hour + 3600) % 3600 ))
export TZ=$(printf 'ZUT-0:%02d:%02d' $(( offset / 60 )) $(( offset % 60 )))
exec "$@"
