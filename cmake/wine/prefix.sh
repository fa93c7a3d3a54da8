#!/bin/sh
# Sets up or tears down the throwaway Wine world of one build tree:
# an Xvfb display on a free number and a fresh WINEPREFIX, both under DIR.
#   prefix.sh setup DIR LOADER     (LOADER: the wine loader of the build's bitness)
#   prefix.sh cleanup DIR
# Nothing outside DIR is touched, and only processes started here are ended.
set -eu
. "$(dirname "$0")/wine.sh"
action=$1
dir=$2
export WINEPREFIX="$dir/prefix" WINEDEBUG=-all

stop() {
  if [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null || true
  fi
  norva_xvfb_stop "$dir"
}

case $action in
setup)
  loader=$3
  if ! "$loader" --version >/dev/null 2>&1; then
    echo "prefix.sh: the Wine loader '$loader' cannot run on this machine" >&2
    echo "prefix.sh: (a 32-bit loader needs the kernel's ia32 emulation)" >&2
    exit 1
  fi
  stop
  rm -rf "$dir"
  norva_xvfb_start "$dir"
  # One server for the whole run, so that each test program starts quickly.
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1
  norva_wine_prefix "$loader" "$dir/wineboot.log"
  echo "Wine prefix ready: $WINEPREFIX on display $DISPLAY"
  ;;
cleanup)
  stop
  ;;
*)
  echo "usage: prefix.sh setup DIR LOADER | cleanup DIR" >&2
  exit 2
  ;;
esac
