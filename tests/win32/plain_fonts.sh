#!/usr/bin/env bash
# Runs a command in the Wine prefix that maps no font, as on a Windows that
# lacks the dialogs' Japanese faces:
#   plain_fonts.sh COMMAND [ARGUMENT...]
# The prefix is $WINEPREFIX-plain, made by scripts/setup.sh beside the usual
# one; exit 77 (skipped) without it. The prefix's server ends by itself
# once its last program has; tests that use it take a lock in CTest.
set -u
plain="${WINEPREFIX:-}-plain"
[ -n "${WINEPREFIX:-}" ] && [ -f "$plain/system.reg" ] || exit 77
export WINEPREFIX=$plain WINEDEBUG=-all
exec "$@"
