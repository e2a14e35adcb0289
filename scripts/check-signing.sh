#!/usr/bin/env bash
# Makes the release from this tree (scripts/release.sh) signed with
# throwaway keys made here: an OpenPGP key in a GNUPGHOME of its own, and a
# test CA and a code-signing certificate in a PKCS#12 file, time-stamped by
# a time-stamp service of its own on this machine (scripts/timestamp-server.py);
# with winget's manifests. Checks its signatures: gpg --verify,
# osslsigncode verify against the test CA (the uninstaller too, once
# installed under Wine), and again with the clock past the certificate's
# end, when only the time stamp keeps them. The same key on a PKCS#11 token
# (SoftHSM's) signs too. A table of bad keys and signatures must each stop
# release.sh with its message, writing nothing. No password or private key
# may be in the release or in what release.sh says. The signed release is
# kept in KEEP (default build/releases/this), for
# scripts/check-reproducible.sh and the checks that install it.
# Usage: scripts/check-signing.sh [KEEP]
set -euo pipefail
keep=$(realpath -m "${1:-$(dirname "$0")/../build/releases/this}")
cd "$(dirname "$0")/.."
. scripts/lib.sh

scripts/install-deps.sh signing
work=$(mktemp -d /var/tmp/rechner-signing.XXXXXX)
keys="$work/keys"
cleanup() {
  local home
  for home in "$keys"/gnupg-*; do [ -d "$home" ] && GNUPGHOME="$home" gpgconf --kill all 2>/dev/null; done
  [ -z "${WINEPREFIX:-}" ] || wineserver -k 2>/dev/null || true
  end_started
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check-signing: $*" >&2; exit 1; }

# The source tarball of the tree as it is, unpacked.
scripts/dist.sh --worktree "$work" >/dev/null
mkdir -p "$work/first"
tar -C "$work/first" -xJf "$work"/rechner-*.tar.xz
src=$(basename "$work"/first/rechner-*)

# Throwaway keys, which go with $work: an OpenPGP key (and one expired, one
# locked by a passphrase), a test CA and code-signing certificates from it
# in PKCS#12 files (and one for web servers, one expired, one signed with
# SHA-1, one with too short a key), and a time-stamp service's certificate.
mkdir -m 700 "$keys"
gpg_key=$(throwaway_openpgp_key "$keys/gnupg-good")
gpg_expired=$(throwaway_openpgp_key "$keys/gnupg-expired" faketime -f -3d)
gpg_locked=$(passphrase=geheim throwaway_openpgp_key "$keys/gnupg-locked")
password=$(openssl rand -hex 16)
printf '%s' "$password" >"$keys/password"
openssl req -x509 -newkey rsa:3072 -nodes -keyout "$keys/ca.key" -out "$keys/ca.pem" -days 365 \
  -subj '/CN=Rechner Test CA' -addext basicConstraints=critical,CA:TRUE \
  -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
# certificate NAME USAGE [faketime options]: $keys/NAME.p12, for USAGE, from
# the test CA, valid $days days (default 30); its key is $key (default
# rsa:3072), signed with $digest (default sha256).
certificate() {
  local name=$1 usage=$2; shift 2
  openssl req -newkey "${key:-rsa:3072}" -nodes -keyout "$keys/$name.key" -out "$keys/$name.csr" -subj "/CN=Rechner $name" 2>/dev/null
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=%s\n' "$usage" >"$keys/$name.ext"
  "$@" openssl x509 -req -in "$keys/$name.csr" -CA "$keys/ca.pem" -CAkey "$keys/ca.key" -CAcreateserial \
    "-${digest:-sha256}" -days "${days:-30}" -extfile "$keys/$name.ext" -out "$keys/$name.pem" 2>/dev/null
  openssl pkcs12 -export -inkey "$keys/$name.key" -in "$keys/$name.pem" -certfile "$keys/ca.pem" \
    -out "$keys/$name.p12" -passout "file:$keys/password"
}
certificate signing codeSigning
certificate web serverAuth
certificate expired codeSigning faketime -f -40d
digest=sha1 certificate sha1 codeSigning
key=rsa:2048 certificate short codeSigning
days=365 certificate tsa critical,timeStamping
url=https://example.invalid/rechner/$(rechner_version)

# The time-stamp service, on a free port of this machine.
cat >"$keys/tsa.cnf" <<EOT
[ tsa ]
default_tsa = rechner
[ rechner ]
serial = $keys/tsa.serial
signer_cert = $keys/tsa.pem
certs = $keys/ca.pem
signer_key = $keys/tsa.key
signer_digest = sha256
default_policy = 1.3.6.1.4.1.99999.1
digests = sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_alg = sha256
EOT
echo 01 >"$keys/tsa.serial"
scripts/timestamp-server.py "$keys/tsa.cnf" "$keys/tsa.port" &
started+=($!)
wait_for 30 "the time-stamp service to take requests" test -s "$keys/tsa.port"
timestamps=http://127.0.0.1:$(cat "$keys/tsa.port")/

echo "check-signing: first build, signed (TZ=UTC, umask 022, C.UTF-8, $(id -un))"
(umask 022 && cd "$work/first/$src" && TZ=UTC LC_ALL=C.UTF-8 GNUPGHOME="$keys/gnupg-good" RECHNER_GPG_KEY="$gpg_key" \
   RECHNER_AUTHENTICODE_P12="$keys/signing.p12" RECHNER_AUTHENTICODE_PASSWORD="$password" RECHNER_RELEASE_URL="$url" \
   RECHNER_TIMESTAMP_URL="$timestamps" scripts/release.sh "$work/first/out" >"$work/first.log" 2>&1) \
  || { tail -n 30 "$work/first.log" >&2; fail "the first build failed"; }
# No password or private key in what it said or in what it wrote.
! grep -rqF -e "$password" -e "PRIVATE KEY" "$work/first.log" "$work/first/out" || fail "a password or a private key is in the release or its log"

first="$work/first/out"
version=${url##*/}
for f in SHA256SUMS "rechner-$version.tar.xz"; do
  GNUPGHOME="$keys/gnupg-good" gpg --batch --verify "$first/$f.asc" "$first/$f" 2>/dev/null || fail "gpg does not verify $f.asc"
done
GNUPGHOME="$keys/gnupg-good" gpg --batch --verify "$first/apt/InRelease" 2>/dev/null || fail "gpg does not verify apt/InRelease"
verify() {   # verify FILE [WHEN]: its Authenticode signature, against the test CA, now or at faketime's WHEN
  local when=()
  [ -z "${2:-}" ] || when=(faketime -f "$2")
  "${when[@]}" osslsigncode verify -CAfile "$keys/ca.pem" -TSA-CAfile "$keys/ca.pem" -in "$1" >"$work/verify.log" 2>&1 \
    || { tail -n 5 "$work/verify.log" >&2; fail "osslsigncode does not verify $(basename "$1")${2:+ at $2}"; }
}
verify "$first/rechner.exe"
verify "$first/rechner-$version-setup.exe"
# 40 days on, the certificate has expired: the time stamp keeps the
# signatures valid; the same signature without one is refused.
verify "$first/rechner.exe" +40d
verify "$first/rechner-$version-setup.exe" +40d
osslsigncode remove-signature -in "$first/rechner.exe" -out "$work/unstamped-unsigned.exe" >/dev/null
osslsigncode sign -pkcs12 "$keys/signing.p12" -readpass "$keys/password" -h sha256 -in "$work/unstamped-unsigned.exe" \
  -out "$work/unstamped.exe" >/dev/null
if faketime -f +40d osslsigncode verify -CAfile "$keys/ca.pem" -in "$work/unstamped.exe" >/dev/null 2>&1; then
  fail "a signature without a time stamp still verified after its certificate expired: the check past the end proves nothing"
fi
(cd "$work" && cmake -E tar xf "$first/rechner-$version-windows-x64.zip")
cmp -s "$work/rechner-$version-windows-x64/rechner.exe" "$first/rechner.exe" || fail "the zip holds another rechner.exe than the signed one"
if command -v wine >/dev/null 2>&1; then
  export WINEPREFIX="$work/wine"
  xvfb-run -a bash -c '. scripts/lib.sh && wine_prefix "$1" && wine "$2" /S && wineserver -w' sh "$WINEPREFIX" \
    "$first/rechner-$version-setup.exe" >/dev/null 2>&1 || fail "the signed installer did not install under Wine"
  verify "$WINEPREFIX/drive_c/Program Files/Rechner/uninstall.exe"
  verify "$WINEPREFIX/drive_c/Program Files/Rechner/uninstall.exe" +40d
  verify "$WINEPREFIX/drive_c/Program Files/Rechner/rechner.exe"
  wineserver -k 2>/dev/null || true
  unset WINEPREFIX
  installed=", and the installed uninstaller"
else
  installed=" (no Wine here: the installed uninstaller is not checked)"
fi
echo "check-signing: gpg verifies both .asc files and apt/InRelease; osslsigncode verifies rechner.exe, the installer$installed, also past the certificate's end"

# The same key and certificate on a PKCS#11 token (SoftHSM's): it signs
# rechner.exe as the release's build does; a token that is not there stops it.
export SOFTHSM2_CONF="$keys/softhsm2.conf"
mkdir -m 700 "$keys/tokens"
printf 'directories.tokendir = %s\nobjectstore.backend = file\n' "$keys/tokens" >"$SOFTHSM2_CONF"
module=$(ls /usr/lib/softhsm/libsofthsm2.so /usr/lib/*/softhsm/libsofthsm2.so 2>/dev/null | head -n 1)
softhsm2-util --init-token --free --label rechner --pin "$password" --so-pin "$password" >/dev/null
openssl pkcs8 -topk8 -nocrypt -in "$keys/signing.key" -out "$keys/signing.pk8"
softhsm2-util --import "$keys/signing.pk8" --token rechner --label signing --id 01 --pin "$password" >/dev/null
openssl x509 -in "$keys/signing.pem" -outform der -out "$keys/signing.der"
pkcs11-tool --module "$module" --token-label rechner --login --pin "$password" --write-object "$keys/signing.der" \
  --type cert --id 01 --label signing >/dev/null 2>&1 || fail "the test certificate could not be put on the token"
osslsigncode remove-signature -in "$first/rechner.exe" -out "$work/unsigned.exe" >/dev/null
token() {   # token LABEL: checks the token LABEL's certificate, as release.sh does, and signs a copy of the unsigned rechner.exe with its key
  cp "$work/unsigned.exe" "$work/token.exe"
  export RECHNER_AUTHENTICODE_PKCS11_MODULE="$module" RECHNER_AUTHENTICODE_PASSWORD="$password" \
    RECHNER_AUTHENTICODE_PKCS11_KEY="pkcs11:token=$1;object=signing;type=private" \
    RECHNER_AUTHENTICODE_PKCS11_CERT="pkcs11:token=$1;object=signing;type=cert" \
    RECHNER_SIGNATURES_OUT="$work/token-signatures" RECHNER_TIMESTAMP_URL="$timestamps"
  scripts/authenticode.sh check 2>&1 && scripts/authenticode.sh rechner.exe "$work/token.exe" 2>&1
}
(cd "$work/first/$src" && token rechner) >"$work/token.log" || { cat "$work/token.log" >&2; fail "the PKCS#11 token did not sign"; }
verify "$work/token.exe"
if message=$(cd "$work/first/$src" && token anderes); then fail "a token that is not there signed"; fi
grep -qF "cannot be read from the PKCS#11 token of $module" <<<"$message" || fail "a token that is not there: $message"
cmp -s "$work/unsigned.exe" "$work/token.exe" || fail "a token that is not there left a changed rechner.exe"
echo "check-signing: a PKCS#11 token's certificate is checked and its key signs rechner.exe, time-stamped; a token that is not there stops it"

# Bad keys and signatures: release.sh stops, saying which, and writes nothing.
# (Two rows are found out only once the release is built; its package's
# tests ran with the first build and are left out here.)
cp -r "$first/signatures" "$work/mismatched"
cp "$first/signatures/uninstall.exe.pem" "$work/mismatched/rechner.exe.pem"
cp -r "$first/signatures" "$work/other-release"
sed 's/^Date: .*/Date: Thu, 01 Jan 2026 00:00:00 UTC/' "$first/apt/Release" \
  | GNUPGHOME="$keys/gnupg-good" gpg --batch --yes --clearsign -o "$work/other-release/InRelease" 2>/dev/null
p12() { echo RECHNER_AUTHENTICODE_P12="$keys/$1.p12" RECHNER_AUTHENTICODE_PASSWORD="$password"; }
while IFS='|' read -r what says settings; do
  rm -rf "$work/refused"
  # shellcheck disable=SC2086
  if message=$(cd "$work/first/$src" && env $settings DEB_BUILD_OPTIONS=nocheck scripts/release.sh "$work/refused" 2>&1 </dev/null); then
    fail "$what: release.sh did not stop"
  fi
  grep -qF -- "$says" <<<"$message" || fail "$what: release.sh did not say \"$says\" but: $(tail -n 3 <<<"$message")"
  [ ! -e "$work/refused" ] || fail "$what: release.sh wrote $work/refused"
  ! grep -qF "$password" <<<"$message" || fail "$what: release.sh said the password"
done <<EOT
a missing OpenPGP key|no such secret key|GNUPGHOME=$keys/gnupg-good RECHNER_GPG_KEY=0x0123456789ABCDEF
an expired OpenPGP key|the key has expired|GNUPGHOME=$keys/gnupg-expired RECHNER_GPG_KEY=$gpg_expired
a locked OpenPGP key|cannot sign (locked|GNUPGHOME=$keys/gnupg-locked RECHNER_GPG_KEY=$gpg_locked
a wrong password|is not the password of|RECHNER_AUTHENTICODE_P12=$keys/signing.p12 RECHNER_AUTHENTICODE_PASSWORD=falsch
a certificate for web servers|is not for code signing|$(p12 web)
an expired certificate|has expired|$(p12 expired)
a certificate signed with SHA-1|is signed with SHA-1|$(p12 sha1) RECHNER_TIMESTAMP_URL=$timestamps
an RSA key of 2048 bits|is RSA with 2048 bits|$(p12 short) RECHNER_TIMESTAMP_URL=$timestamps
signing without a time stamp|no RECHNER_TIMESTAMP_URL|$(p12 signing)
a missing PKCS#12 file|no readable file|RECHNER_AUTHENTICODE_P12=$keys/none.p12 RECHNER_AUTHENTICODE_PASSWORD=x
a token that is not there|no PKCS#11 module|RECHNER_AUTHENTICODE_PKCS11_MODULE=$keys/none.so RECHNER_AUTHENTICODE_PKCS11_KEY=pkcs11:object=k RECHNER_AUTHENTICODE_PKCS11_CERT=pkcs11:object=c
signatures with a key|it takes no key|RECHNER_SIGNATURES=$first/signatures $(p12 signing)
signatures of another file|does not fit this build's rechner.exe|RECHNER_SIGNATURES=$work/mismatched
another repository's InRelease|does not fit this build's apt/Release|RECHNER_SIGNATURES=$work/other-release
EOT
echo "check-signing: bad keys, certificates and signatures stop release.sh with their message, writing nothing"
rm -rf "$keep" && mkdir -p "$(dirname "$keep")" && mv "$first" "$keep"
echo "check-signing: the signed release is kept in $keep"
