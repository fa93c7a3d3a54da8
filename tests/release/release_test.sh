#!/usr/bin/env bash
# release_test.sh SOURCE WORK DRIVER FAKERAS_DLL LOADER ARCH(i686|x64): scripts/release in two
# copies of the tree, unsigned and signed; then its installer through a user's life under Wine.
set -euo pipefail
src=$1 work=$2 driver=$3 fakeras=$4 loader=$5 arch=$6
. "$src/cmake/wine/wine.sh"
fail() { echo "FAILED: $*" >&2; exit 1; }
ok() { echo "ok: $*"; }
rm -rf "$work" && mkdir -p "$work/cert" && cd "$work/cert"
export NORVA_SITE_URL=https://localhost:1 NORVA_SUPPORT_URL=https://localhost:2
export SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct) NORVA_SIGN_PASSWORD=throwaway

for url in http://localhost https://www.norva.invalid; do
  ! NORVA_SITE_URL=$url "$src/scripts/release" >refused.log 2>&1 &&
    grep -Eq 'http:// is refused|placeholder host' refused.log || fail "$url: not refused"
done
ok "scripts/release refuses plain http and the placeholder host"

# A throwaway CA and a code-signing certificate issued by it.
cert() { openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$1" "${@:2}" 2>/dev/null; }
cert Test-CA -keyout ca.key -out ca.pem -addext basicConstraints=critical,CA:TRUE
cert Test-Signer -keyout sign.key -out sign.pem -CA ca.pem -CAkey ca.key \
  -addext basicConstraints=CA:FALSE -addext extendedKeyUsage=codeSigning
openssl pkcs12 -export -inkey sign.key -in sign.pem -certfile ca.pem -out sign.pfx \
  -passout env:NORVA_SIGN_PASSWORD

git -C "$src" ls-files -z -co --exclude-standard | tar -C "$src" --null -T - -cf tree.tar
release() {
  mkdir -p "$work/$1" && tar -C "$work/$1" --skip-old-files -mxf tree.tar
  (cd "$work/$1" && shift && scripts/release --allow-dirty "$@" >release.log 2>&1) ||
    { cat "$work/$1/release.log"; fail "scripts/release $*"; }
}
release a && grep -q UNSIGNED "$work/a/release.log" || fail "an unsigned release does not say so"
release b --sign ../cert/sign.pfx
. "$work/a/build/release-build/release.env"
a=$work/a/build/release b=$work/b/build/release msi=norva-$NORVA_VERSION.msi
[ "$(ls "$b" | xargs)" = "SHA256SUMS logo.bmp $msi norva.exe norva.exe.debug" ] || fail "files"
(cd "$b" && sha256sum --quiet -c SHA256SUMS) || fail SHA256SUMS
[ "$(stat -c %s "$a/norva.exe")" -le 1500000 ] || fail "norva.exe is larger than 1.5 MB"
# The debug link: the file's name, a NUL and its CRC-32, with which a gzip trailer begins.
"$NORVA_OBJCOPY" --dump-section .gnu_debuglink=link "$a/norva.exe" discard.exe
{ printf 'norva.exe.debug\0'; gzip -c "$a/norva.exe.debug" | tail -c 8 | head -c 4; } |
  cmp -s - link || fail "norva.exe's debug link"
[ "$(msiinfo export "$b/$msi" File | sed 1,3d | cut -f1 | sort | xargs)" = "logo.bmp norva.exe" ] &&
  msiinfo export "$b/$msi" Property | grep "^ProductVersion	$NORVA_VERSION" >/dev/null ||
  fail "the installer's files or version"
ok "release files, sums, size $(stat -c %s "$a/norva.exe") bytes, debug link, installer contents"

for file in norva.exe "$msi"; do
  perl -0777 -pe 'substr($_, 300000, 1) ^= "\xff"' "$b/$file" >changed
  osslsigncode verify -CAfile ca.pem -in "$b/$file" >/dev/null 2>&1 &&
    ! osslsigncode verify -CAfile ca.pem -in changed >/dev/null 2>&1 || fail "$file's signature"
done
ok "osslsigncode accepts both signatures against the test CA and rejects a changed byte"
# Copy b's signature fits copy a's program exactly: they were the same bytes before signing.
osslsigncode extract-signature -in "$b/norva.exe" -out exe.sig >/dev/null
osslsigncode attach-signature -CAfile ca.pem -sigin exe.sig -in "$a/norva.exe" -out a.exe >/dev/null
"$work/b/installer/build-msi" "$work/b/build/release-build/release.env" "$a" a.msi
cmp "$b/norva.exe" a.exe && cmp "$a/norva.exe.debug" "$b/norva.exe.debug" && cmp a.msi "$a/$msi" ||
  fail "not reproducible"
ok "norva.exe, its symbols and the installer are the same bytes from two folders"

# --- The installer under Wine, first as version 0.0.1 (the program's version zeroed).
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

export WINEPREFIX=$work/wine/prefix FAKERAS_DIR=$(norva_windows_path "$work/wine/ras")
trap 'wineserver -k 2>/dev/null || true; norva_xvfb_stop "$work/wine"' EXIT
norva_xvfb_start "$work/wine"
mkdir -p "$WINEPREFIX" && wineserver -p </dev/null >/dev/null 2>&1
norva_wine_prefix "$loader" "$work/wine/wineboot.log" && norva_wine_env "$loader"
# Output through a file: a pipe would stay open in the Wine processes it starts.
run() { "$loader" "$@" </dev/null >"$work/out" 2>/dev/null && tr -d '\r' <"$work/out"; }
msi() { run msiexec "$1" "$(norva_windows_path "$2")" "${@:3}" /qn >/dev/null || fail "msi $*"; }
app="NORVA Connection Assistant" home=users/$(id -un)/AppData
dir="$WINEPREFIX/drive_c/$home/Local/Programs/$app"
windir=$(echo "C:/$home/Local/Programs/$app" | tr / '\\')
lnk="$WINEPREFIX/drive_c/$home/Roaming/Microsoft/Windows/Start Menu/Programs/$app.lnk"
journey() {
  run "$driver" "$(norva_windows_path "$lnk")" "$@" >journey.log && tail -n 1 journey.log &&
    sed 's/\\$//' journey.log | grep -xF "shortcut: $windir\\norva.exe in $windir" >/dev/null ||
    { cat "$work/out"; fail "the program as installed, from its shortcut"; }
}
# Programs and Features: the version and publisher of each entry named like the program.
cv='Software\Microsoft\Windows\CurrentVersion'
entries() {
  { for view in 32 64; do run reg query "HKLM\\$cv\\Uninstall" /s /reg:$view; done
    run reg query "HKCU\\$cv\\Uninstall" /s; } | awk '/^HKEY_/ {k = $0}
    /DisplayName .*'"$app"'$/ {n[k] = 1} /DisplayVersion / {v[k] = $NF}
    /Publisher / {p[k] = $NF} END {for (k in n) print v[k] "|" p[k]}'
}
setting() { run reg query 'HKCU\Software\NORVA' /v enableswcompress | grep 'REG_DWORD *0x1$'; }
run_value() { run reg query "HKCU\\$cv\\Run" /v norva | grep -F "$windir\\norva.exe"; }
kept() { grep -qF "Release test=10.1.2.3" "$dir/config.ini" && setting && run_value; } >/dev/null

msi /i "$work/cert/older.msi"
[ "$(entries)" = "0.0.1|$NORVA_COMPANY" ] || fail "Programs and Features: $(entries)"
cp "$fakeras" "$dir/"  # the simulated service, for the test only
journey --configure
kept || fail "no config.ini from Add in the install folder, or the options not stored"
ok "version 0.0.1 installed; started from its shortcut; Add wrote config.ini there; options stored"

msi /i "$rel/$msi"
[ "$(entries)" = "$NORVA_VERSION|$NORVA_COMPANY" ] || fail "Programs and Features: $(entries)"
icon=$(run reg query 'HKCU\Software\Microsoft\Installer\Products' /s |
  sed -n 's/^ *ProductIcon *REG_SZ *C:/drive_c/p' | tr '\\' /)
[ -s "$WINEPREFIX/${icon:-none}" ] || fail "no product icon for Programs and Features"
cmp "$dir/norva.exe" "$rel/norva.exe" && cmp "$dir/logo.bmp" "$rel/logo.bmp" || fail "old files"
kept || fail "upgrade lost config.ini, the setting or start at logon"
journey
ok "upgraded to $NORVA_VERSION: one entry, icon, new files; config.ini, setting, Run value kept"

msi /i "$rel/$msi"
rm "$dir/logo.bmp"
# A repair through the properties /fa sets: Wine's msiexec /fa wants a product code.
msi /i "$rel/$msi" REINSTALL=ALL REINSTALLMODE=amus
journey
ok "a same-version reinstall and a repair (which restored logo.bmp) leave a working program"

rm "$dir/$(basename "$fakeras")"
msi /x "$rel/$msi"
[ -z "$(entries)" ] && [ ! -e "$dir" ] && [ ! -e "$lnk" ] || fail "uninstall left files or entry"
! run_value >/dev/null && setting >/dev/null || fail "uninstall left the Run value or took settings"
ok "uninstalled: files, folder, shortcut, entry and Run value gone; settings kept"
