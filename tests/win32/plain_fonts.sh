#!/usr/bin/env bash
# Runs a command in the Wine prefix that maps no font, as on a Windows that
# lacks the dialogs' Japanese faces:
#   plain_fonts.sh COMMAND [ARGUMENT...]
# The prefix is $WINEPREFIX-plain, made by scripts/setup.sh beside the usual
# one; exit 77 (skipped) without it.
set -u
plain="${WINEPREFIX:-}-plain"
[ -n "${WINEPREFIX:-}" ] && [ -f "$plain/system.reg" ] || exit 77
export WINEPREFIX=$plain WINEDEBUG=-all
status=0
"$@" || status=$?
wineserver -k 2>/dev/null
exit $status
