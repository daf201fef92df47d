#!/bin/bash
# The desktop program under an address-space limit too small for its
# tables (and for the threads Qt's message box would need): it must end
# within 10 seconds, non-zero, with its refusal on standard error, never
# wait without a window. Run under xvfb-run, so that a display exists.
desktop=$1
err=$(bash -c "ulimit -v 100000; exec timeout 10 '$desktop'" 2>&1 >/dev/null)
status=$?
if [ "$status" -eq 124 ]; then
  echo "the desktop program hung under ulimit -v 100000"; exit 1
fi
if [ "$status" -eq 0 ]; then
  echo "the desktop program started under ulimit -v 100000"; exit 1
fi
case $err in
  *"vantori-kelmora: "*"Not enough memory"*) exit 0 ;;
  *) echo "no refusal on standard error: $err"; exit 1 ;;
esac
