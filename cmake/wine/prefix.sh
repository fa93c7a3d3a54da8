#!/bin/sh
# Sets up or tears down the throwaway Wine world of one build tree:
# an Xvfb display on a free number and a fresh WINEPREFIX, both under DIR.
#   prefix.sh setup DIR LOADER     (LOADER: the wine loader of the build's bitness)
#   prefix.sh cleanup DIR
# Nothing outside DIR is touched, and only processes started here are ended.
set -eu
action=$1
dir=$2
export WINEPREFIX="$dir/prefix" WINEDEBUG=-all

stop() {
  if [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null || true
  fi
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid"
  fi
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
  mkdir -p "$dir"
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
    3>"$dir/display.fd" </dev/null >"$dir/xvfb.log" 2>&1 &
  echo $! >"$dir/xvfb.pid"
  i=0
  while [ ! -s "$dir/display.fd" ]; do
    i=$((i + 1))
    [ $i -le 100 ] || { echo "prefix.sh: Xvfb did not start" >&2; cat "$dir/xvfb.log" >&2; exit 1; }
    sleep 0.1
  done
  tr -d '\n' <"$dir/display.fd" >"$dir/display"
  export DISPLAY=":$(cat "$dir/display")"
  # One server for the whole run, so that each test program starts quickly.
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1
  WINEDLLOVERRIDES="mscoree,mshtml=" "$loader" wineboot -i </dev/null >"$dir/wineboot.log" 2>&1
  # Without a window manager Wine stalls whenever a window hides, unless
  # its windows are unmanaged.
  "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
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
