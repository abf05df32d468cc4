#!/usr/bin/env bash
# Runs a Windows program under Wine for ctest (CMAKE_CROSSCOMPILING_EMULATOR) and for the scripts.
# Wine's helper processes inherit stdout and would hold ctest's pipe open: wine writes to a file that is
# printed afterwards. Locale and code page are fixed so results do not depend on the machine.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LC_ALL=C.UTF-8 LANG=C.UTF-8
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine-run.sh: WINEPREFIX is not set (scripts/test and scripts/demo prepare one)" >&2
  exit 125
fi
out=$(mktemp) || exit 125
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
