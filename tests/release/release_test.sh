#!/usr/bin/env bash
# The release: scripts/release in two copies of the tree, unsigned and signed, gives the same
# bytes; its installer then goes through a user's life under Wine in a prefix of its own.
#   release_test.sh SOURCE WORK DRIVER FAKERAS_DLL LOADER ARCH(i686|x64)
set -euo pipefail
src=$1 work=$2 driver=$3 fakeras=$4 loader=$5 arch=$6
. "$src/cmake/wine/wine.sh"
fail() { echo "FAILED: $*" >&2; exit 1; }
ok() { echo "ok: $*"; }
rm -rf "$work" && mkdir -p "$work/cert"
export NORVA_SITE_URL=https://localhost:1 NORVA_SUPPORT_URL=https://localhost:2
export SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct)

for url in http://localhost https://www.norva.invalid; do
  if NORVA_SITE_URL=$url "$src/scripts/release" >"$work/refused.log" 2>&1; then fail "$url accepted"; fi
  grep -Eq 'http:// is refused|placeholder host' "$work/refused.log" || fail "no reason given for $url"
done
ok "scripts/release refuses plain http and the placeholder host"

# A throwaway CA and a code-signing certificate issued by it.
cd "$work/cert"
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj /CN=Test-CA \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout sign.key -subj /CN=Test-Signer 2>/dev/null |
  openssl x509 -req -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -out sign.pem 2>/dev/null \
    -extfile <(printf 'extendedKeyUsage=codeSigning\nkeyUsage=digitalSignature\n')
export NORVA_SIGN_PASSWORD=throwaway
openssl pkcs12 -export -inkey sign.key -in sign.pem -certfile ca.pem -out sign.pfx -passout env:NORVA_SIGN_PASSWORD

for copy in a b; do
  mkdir "$work/$copy" && git -C "$src" ls-files -z -co --exclude-standard | (cd "$src" && xargs -0 cp --parents -t "$work/$copy")
done
release() {
  (cd "$work/$1" && shift && scripts/release --allow-dirty "$@" >release.log 2>&1) ||
    { cat "$work/$1/release.log"; fail "scripts/release $*"; }
}
release a
release b --sign ../cert/sign.pfx
grep -q UNSIGNED "$work/a/release.log" || fail "an unsigned release does not say so"
. "$work/a/build/release-build/release.env"
a=$work/a/build/release b=$work/b/build/release msi=norva-$NORVA_VERSION.msi
[ "$(ls "$b" | tr '\n' ' ')" = "SHA256SUMS logo.bmp $msi norva.exe norva.exe.debug " ] || fail "release files: $(ls "$b")"
(cd "$b" && sha256sum --quiet -c SHA256SUMS) || fail SHA256SUMS
[ "$(stat -c %s "$a/norva.exe")" -le 1500000 ] || fail "norva.exe is larger than 1.5 MB"
"$NORVA_OBJCOPY" --dump-section .gnu_debuglink=debuglink "$a/norva.exe" discard.exe
python3 -c 'import sys, zlib
link, symbols = open(sys.argv[1], "rb").read(), open(sys.argv[2], "rb").read()
sys.exit(link[:16] != b"norva.exe.debug\0" or link[-4:] != zlib.crc32(symbols).to_bytes(4, "little"))' \
  debuglink "$a/norva.exe.debug" || fail "norva.exe's debug link does not name norva.exe.debug with its CRC"
[ "$(msiinfo export "$b/$msi" File | tail -n +4 | cut -f1 | sort | tr '\n' ' ')" = "logo.bmp norva.exe " ] ||
  fail "the installer holds other files than norva.exe and logo.bmp"
msiinfo export "$b/$msi" Property | grep "^ProductVersion	$NORVA_VERSION" >/dev/null || fail "installer version"
ok "release files, sums, size $(stat -c %s "$a/norva.exe") bytes, debug link, installer contents"

for file in norva.exe "$msi"; do
  osslsigncode verify -CAfile ca.pem -in "$b/$file" >/dev/null 2>&1 || fail "$file: signature not accepted"
  hex=$(printf %02x $(($(od -An -tu1 -j300000 -N1 "$b/$file") ^ 255)))
  cp "$b/$file" changed && printf "\\x$hex" | dd of=changed bs=1 seek=300000 conv=notrunc 2>/dev/null
  if osslsigncode verify -CAfile ca.pem -in changed >/dev/null 2>&1; then
    fail "$file: a changed byte still verifies"
  fi
done
ok "osslsigncode accepts both signatures against the test CA and rejects a changed byte"

# The same commit from two folders: copy b's signature fits copy a's
# program exactly, so the two programs were the same bytes before signing.
osslsigncode extract-signature -in "$b/norva.exe" -out exe.sig >/dev/null
osslsigncode attach-signature -CAfile ca.pem -sigin exe.sig -in "$a/norva.exe" -out a-signed.exe >/dev/null
cmp "$b/norva.exe" a-signed.exe && cmp "$a/norva.exe.debug" "$b/norva.exe.debug" || fail "not reproducible"
"$work/b/installer/build-msi" "$work/b/build/release-build/release.env" "$a" a-again.msi
cmp a-again.msi "$a/$msi" || fail "the installer is not reproducible"
ok "norva.exe, its symbols and the installer are the same bytes from two folders"

# --- The installer under Wine, as a user meets it.
rel=$b env_file=$work/b/build/release-build/release.env
if [ "$arch" = x64 ]; then
  echo "NOTE: only 64-bit Wine runs here: the installer tested is the same release built for x86_64"
  release b --arch x64 --sign ../cert/sign.pfx
  rel=$work/b/build/release-x64 env_file=$work/b/build/release-build-x64/release.env
fi
mkdir older && cp "$rel/logo.bmp" older/
perl -0777 -pe 's/(\xBD\x04\xEF\xFE.{4}).{16}/$1 . "\0" x 16/se' "$rel/norva.exe" >older/norva.exe
sed "s/^NORVA_VERSION=.*/NORVA_VERSION=0.0.1/" "$env_file" >older.env
"$src/installer/build-msi" older.env older older.msi

wine=$work/wine
export WINEPREFIX=$wine/prefix FAKERAS_DIR
trap 'wineserver -k 2>/dev/null || true; norva_xvfb_stop "$wine"' EXIT
norva_xvfb_start "$wine"
mkdir -p "$WINEPREFIX" && wineserver -p </dev/null >/dev/null 2>&1
norva_wine_prefix "$loader" "$wine/wineboot.log"
norva_wine_env "$loader"
FAKERAS_DIR=$(norva_windows_path "$wine/ras")
# Output through a file: a pipe would stay open in the Wine processes it starts.
run() { "$loader" "$@" </dev/null >"$work/out" 2>/dev/null && tr -d '\r' <"$work/out"; }
install() { "$loader" msiexec "$@" /qn </dev/null >/dev/null || fail "msiexec $*"; }
user=$(id -un)
dir="$WINEPREFIX/drive_c/users/$user/AppData/Local/Programs/NORVA Connection Assistant"
windir="C:\\users\\$user\\AppData\\Local\\Programs\\NORVA Connection Assistant"
lnk="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/NORVA Connection Assistant.lnk"
journey() {
  run "$driver" "$(norva_windows_path "$lnk")" "$@" >journey.log || { cat journey.log; fail "program as installed"; }
  grep -qxF "target=$windir\\norva.exe" journey.log && sed 's/\\$//' journey.log | grep -xF "folder=$windir" >/dev/null ||
    { cat journey.log; fail "the shortcut does not start norva.exe in the install folder"; }
  tail -n 1 journey.log
}
# Programs and Features: key|version|publisher of each entry named like the program.
entries() {
  { for view in 32 64; do run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:$view; done
    run reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s; } |
    awk '/^HKEY_/ {k = $0} /DisplayName .*NORVA Connection Assistant$/ {n[k] = 1}
         /DisplayVersion / {v[k] = $NF} /Publisher / {p[k] = $NF} END {for (k in n) print k "|" v[k] "|" p[k]}' | sort -u
}
setting() { run reg query 'HKCU\Software\NORVA' /v enableswcompress | grep 'REG_DWORD *0x1$' >/dev/null; }
run_value() { run reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v norva | grep -F "$windir\\norva.exe" >/dev/null; }
kept() { grep -qF "Release test=10.1.2.3" "$dir/config.ini" && setting && run_value; }

install /i "$(norva_windows_path "$work/cert/older.msi")"
[ "$(entries | cut -d'|' -f2-)" = "0.0.1|$NORVA_COMPANY" ] || fail "Programs and Features after the first install"
cp "$fakeras" "$dir/"  # the simulated service, for the test only
journey --configure
kept || fail "Add did not write config.ini in the install folder, or Options did not store its boxes"
ok "version 0.0.1 installed; started from its shortcut; Add wrote config.ini there; options stored"

install /i "$(norva_windows_path "$rel/$msi")"
[ "$(entries | cut -d'|' -f2-)" = "$NORVA_VERSION|$NORVA_COMPANY" ] || fail "Programs and Features: $(entries)"
icon=$(run reg query 'HKCU\Software\Microsoft\Installer\Products' /s | sed -n 's/^ *ProductIcon *REG_SZ *C:/drive_c/p' | tr '\\' /)
[ -s "$WINEPREFIX/$icon" ] || fail "no product icon for Programs and Features"
cmp "$dir/norva.exe" "$rel/norva.exe" && cmp "$dir/logo.bmp" "$rel/logo.bmp" || fail "upgrade left old files"
kept || fail "upgrade lost config.ini, the setting or start at logon"
journey
ok "upgraded to $NORVA_VERSION: one entry with icon, publisher and version; new files; config.ini, setting, start at logon kept"

install /i "$(norva_windows_path "$rel/$msi")"
rm "$dir/logo.bmp"
# A repair; Wine's msiexec /fa cannot (it takes the package for a product
# code), so through the properties that /fa sets.
install /i "$(norva_windows_path "$rel/$msi")" REINSTALL=ALL REINSTALLMODE=amus
journey
ok "a same-version reinstall and a repair (which restored logo.bmp) leave a working program"

rm "$dir/$(basename "$fakeras")"
install /x "$(norva_windows_path "$rel/$msi")"
[ ! -e "$dir" ] && [ ! -e "$lnk" ] && [ -z "$(entries)" ] || fail "uninstall left the folder, the shortcut or the entry"
run_value && fail "uninstall left the Run value"
setting || fail "uninstall removed the user's settings"
ok "uninstalled: files, folder, shortcut, Programs and Features entry and Run value gone; settings kept"
