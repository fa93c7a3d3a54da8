# Wine and Xvfb for the scripts and the test fixture of this tree, in one
# place. Sourced (POSIX sh) by scripts/run, scripts/test, scripts/bench-startup,
# the release tests, cmake/wine/prefix.sh and the wine-run wrapper;
# cmake/Wine.cmake asks it for the loader. Wine is found on PATH (and beside
# the real wineserver), never at a fixed place.

# Prints the Wine loader that runs programs of BITS (32 or 64) bits on this
# machine, and fails when there is none. The loaders are looked for on PATH
# and beside the real wineserver (Debian keeps wine and wine64 there, and
# only a wrapper on PATH). A 32-bit loader needs the kernel's ia32
# emulation: one that cannot start does not count.
norva_wine_loader() {
  _server=$(command -v wineserver 2>/dev/null) || return 1
  _dir=$(dirname "$(readlink -f "$_server")")
  if [ "$1" = 64 ]; then
    set -- "$(command -v wine64 2>/dev/null)" "$_dir/wine64"
  else
    set -- "$_dir/wine" "$(command -v wine 2>/dev/null)"
  fi
  for _loader in "$@"; do
    [ -n "$_loader" ] && [ -x "$_loader" ] || continue
    if "$_loader" --version >/dev/null 2>&1; then
      echo "$_loader"
      return 0
    fi
  done
  return 1
}

# Chooses the Wine that can run this tree's programs here: the i686 build
# under 32-bit Wine, else the x86_64 build under 64-bit Wine. Sets
# NORVA_WINE (the loader), NORVA_WINE_BITS (32 or 64), NORVA_WINE_PRESET
# (windows or windows-x64) and NORVA_WINE_ARCH (x86 or x64, as the installer
# names it).
norva_pick_wine() {
  if NORVA_WINE=$(norva_wine_loader 32); then
    NORVA_WINE_BITS=32 NORVA_WINE_PRESET=windows NORVA_WINE_ARCH=x86
  elif NORVA_WINE=$(norva_wine_loader 64); then
    NORVA_WINE_BITS=64 NORVA_WINE_PRESET=windows-x64 NORVA_WINE_ARCH=x64
  else
    echo "no Wine loader runs on this machine (is wine installed?)" >&2
    return 1
  fi
}

# The Windows path of a folder of this machine, through Wine's drive Z:.
norva_windows_path() {
  printf 'Z:%s' "$1" | tr / '\\'
}

# What every Wine process of this tree runs with, for the prefix in
# $WINEPREFIX and the loader $1: the simulated remote access service beside
# a program stands in for Wine's rasapi32; no Mono or Gecko prompts; a crash
# ends the program instead of waiting for a debugger; and nothing is added
# to the desktop's menus.
norva_wine_env() {
  export WINELOADER="$1" WINEDEBUG=-all
  export WINEDLLOVERRIDES="rasapi32=n,b;mscoree,mshtml=;winedbg.exe=d;winemenubuilder.exe=d"
}

# Makes a prefix in the new (or empty) folder $WINEPREFIX with the loader
# $1, logging to $2.
# Without a window manager (Xvfb) Wine stalls whenever a window hides,
# unless it manages its windows itself: Managed=N.
norva_wine_prefix() {
  mkdir -p "$WINEPREFIX"
  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" "$1" wineboot -i </dev/null >"$2" 2>&1 || {
    cat "$2" >&2
    return 1
  }
  "$1" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
}

# Starts Xvfb on a free display, its files in the folder $1 (xvfb.pid,
# display, xvfb.log), and exports DISPLAY. Further arguments go before the
# command, e.g. nice -n -10.
norva_xvfb_start() {
  _xdir=$1
  shift
  mkdir -p "$_xdir"
  rm -f "$_xdir/display.fd" "$_xdir/display"
  setsid "$@" Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
    3>"$_xdir/display.fd" </dev/null >"$_xdir/xvfb.log" 2>&1 &
  echo $! >"$_xdir/xvfb.pid"
  _i=0
  while [ ! -s "$_xdir/display.fd" ]; do
    _i=$((_i + 1))
    if [ $_i -gt 100 ]; then
      echo "Xvfb did not start" >&2
      cat "$_xdir/xvfb.log" >&2
      return 1
    fi
    sleep 0.1
  done
  tr -d '\n' <"$_xdir/display.fd" >"$_xdir/display"
  DISPLAY=":$(cat "$_xdir/display")"
  export DISPLAY
}

# Ends the Xvfb that norva_xvfb_start started with the folder $1, if any.
norva_xvfb_stop() {
  if [ -f "$1/xvfb.pid" ]; then
    kill "$(cat "$1/xvfb.pid")" 2>/dev/null || true
    rm -f "$1/xvfb.pid"
  fi
}
