#!/usr/bin/env bash
# Authenticode for the Windows programs of a release, run by its build for
# each program it makes (rechner.exe, then the installer's uninstall.exe and
# the installer itself) and once by scripts/release.sh before the build:
#   authenticode.sh check       the settings below fit together, and the key
#                               can sign; says plainly what does not
#   authenticode.sh NAME FILE   signs FILE in place, with SHA-256, and
#                               writes its signature, detached, to
#                               $RECHNER_SIGNATURES_OUT/NAME.pem
# From the environment, one of:
#   RECHNER_AUTHENTICODE_P12 and RECHNER_AUTHENTICODE_PASSWORD: a PKCS#12 file
#   RECHNER_AUTHENTICODE_PKCS11_MODULE, RECHNER_AUTHENTICODE_PKCS11_KEY and
#     RECHNER_AUTHENTICODE_PKCS11_CERT (pkcs11: URIs): a token; its PIN in
#     RECHNER_AUTHENTICODE_PASSWORD
#   RECHNER_SIGNATURES: a published release's signatures folder, whose
#     NAME.pem is attached instead, bit for bit as it was published
# and RECHNER_TIMESTAMP_URL, the address of an RFC 3161 time-stamp service,
# which every signature made with a key gets: it shows that the signature
# was made while the certificate was valid, so that Windows still accepts
# it once the certificate has expired. Without it, signing is refused,
# unless RECHNER_TEST_RELEASE=1 says plainly that the release is a test,
# whose signatures die with its certificate. A certificate signed with
# SHA-1, or whose key is RSA under 3072 bits or EC under 256 bits, is
# refused. The password goes to osslsigncode in a file only it reads, never
# on a command line or in a log.
set -euo pipefail
say() { echo "authenticode: $*" >&2; }
fail() { say "$*"; exit 1; }

p12=${RECHNER_AUTHENTICODE_P12:-} module=${RECHNER_AUTHENTICODE_PKCS11_MODULE:-}
signatures=${RECHNER_SIGNATURES:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The password, for osslsigncode and openssl, in a file of this process's own.
(umask 077 && printf '%s' "${RECHNER_AUTHENTICODE_PASSWORD:-}" >"$work/password")

# What osslsigncode signs with: the PKCS#12 file or the token.
key_options() {
  if [ -n "$p12" ]; then
    echo -pkcs12 "$p12" -readpass "$work/password"
  else
    echo -pkcs11module "$module" -pkcs11cert "$RECHNER_AUTHENTICODE_PKCS11_CERT" \
      -key "$RECHNER_AUTHENTICODE_PKCS11_KEY" -readpass "$work/password"
  fi
}

# The certificate of a PKCS#12 file: readable with its password, for code
# signing, valid now.
check_p12() {
  [ -r "$p12" ] || fail "RECHNER_AUTHENTICODE_P12: no readable file $p12"
  local out
  if ! out=$(openssl pkcs12 -in "$p12" -passin "file:$work/password" -nokeys -clcerts 2>&1) \
     && ! out=$(openssl pkcs12 -legacy -in "$p12" -passin "file:$work/password" -nokeys -clcerts 2>&1); then
    if grep -qi 'mac verify\|invalid password\|bad decrypt' <<<"$out"; then
      fail "RECHNER_AUTHENTICODE_PASSWORD is not the password of $p12"
    fi
    fail "$p12 cannot be read as a PKCS#12 file: $(tail -n 1 <<<"$out")"
  fi
  openssl x509 -noout <<<"$out" 2>/dev/null || fail "$p12 holds no certificate"
  check_certificate "$out" "the certificate in $p12"
}

# The certificate on the token that RECHNER_AUTHENTICODE_PKCS11_CERT names
# (its token= and object= or id=), read with OpenSC's pkcs11-tool.
check_token_certificate() {
  local uri=$RECHNER_AUTHENTICODE_PKCS11_CERT token object id select=()
  token=$(sed -n 's/.*[:;]token=\([^;?]*\).*/\1/p' <<<"$uri")
  object=$(sed -n 's/.*[:;]object=\([^;?]*\).*/\1/p' <<<"$uri")
  id=$(sed -n 's/.*[:;]id=\([^;?]*\).*/\1/p' <<<"$uri")
  [ -z "$token" ] || select+=(--token-label "$(printf '%b' "${token//%/\\x}")")
  [ -z "$object" ] || select+=(--label "$(printf '%b' "${object//%/\\x}")")
  [ -z "$id" ] || select+=(--id "${id//%/}")
  command -v pkcs11-tool >/dev/null || fail "checking the token's certificate needs OpenSC's pkcs11-tool (Debian package opensc)"
  pkcs11-tool --module "$module" "${select[@]}" --read-object --type cert -o "$work/token.der" >/dev/null 2>&1 \
    || fail "the certificate $uri cannot be read from the PKCS#11 token of $module"
  check_certificate "$(openssl x509 -inform der -in "$work/token.der")" "the certificate $uri"
}

# check_certificate PEM WHAT: valid now, for code signing, not signed with
# SHA-1, its key RSA of 3072 bits or more, or EC of 256 or more.
check_certificate() {
  local pem=$1 what=$2 subject text algorithm bits
  subject=$(openssl x509 -noout -subject <<<"$pem")
  openssl x509 -noout -checkend 0 <<<"$pem" >/dev/null || fail "$what has expired ($subject, $(openssl x509 -noout -enddate <<<"$pem"))"
  [ "$(openssl x509 -noout -startdate <<<"$pem" | cut -d= -f2- | date -f - +%s)" -le "$(date +%s)" ] \
    || fail "$what is not valid yet ($subject)"
  grep -q 'Code Signing' <<<"$(openssl x509 -noout -ext extendedKeyUsage <<<"$pem" 2>/dev/null)" \
    || fail "$what is not for code signing (its extended key usage lacks codeSigning): $subject"
  text=$(openssl x509 -noout -text <<<"$pem")
  algorithm=$(sed -n 's/^ *Signature Algorithm: *//p' <<<"$text" | head -n 1)
  [[ ${algorithm,,} != *sha1* ]] || fail "$what is signed with SHA-1 ($algorithm), which Windows no longer trusts: $subject"
  bits=$(sed -n 's/^ *Public-Key: *(\([0-9]*\) bit).*/\1/p' <<<"$text" | head -n 1)
  case $(sed -n 's/^ *Public Key Algorithm: *//p' <<<"$text" | head -n 1) in
    rsaEncryption) [ "${bits:-0}" -ge 3072 ] || fail "the key of $what is RSA with ${bits:-unknown} bits, under the 3072 a code-signing key needs: $subject" ;;
    id-ecPublicKey) [ "${bits:-0}" -ge 256 ] || fail "the key of $what is EC with ${bits:-unknown} bits, under the 256 a code-signing key needs: $subject" ;;
  esac
}

check() {
  local ways=0
  [ -n "$p12" ] && ways=$((ways + 1))
  [ -n "$module" ] && ways=$((ways + 1))
  [ -n "$signatures" ] && ways=$((ways + 1))
  [ "$ways" -le 1 ] || fail "give one of RECHNER_AUTHENTICODE_P12, RECHNER_AUTHENTICODE_PKCS11_MODULE and RECHNER_SIGNATURES, not several"
  if [ -n "$p12" ]; then
    check_p12
  elif [ -n "$module" ]; then
    [ -f "$module" ] || fail "RECHNER_AUTHENTICODE_PKCS11_MODULE: no PKCS#11 module $module"
    [ -n "${RECHNER_AUTHENTICODE_PKCS11_KEY:-}" ] && [ -n "${RECHNER_AUTHENTICODE_PKCS11_CERT:-}" ] \
      || fail "a PKCS#11 token needs RECHNER_AUTHENTICODE_PKCS11_KEY and RECHNER_AUTHENTICODE_PKCS11_CERT (pkcs11: URIs)"
    ls /usr/lib/*/engines-3/pkcs11.so >/dev/null 2>&1 \
      || fail "PKCS#11 signing needs OpenSSL's pkcs11 engine (Debian package libengine-pkcs11-openssl)"
    check_token_certificate
  elif [ -n "$signatures" ]; then
    [ -d "$signatures" ] || fail "RECHNER_SIGNATURES: no folder $signatures"
  fi
  if [ -n "$p12$module" ] && [ -z "${RECHNER_TIMESTAMP_URL:-}" ] && [ "${RECHNER_TEST_RELEASE:-}" != 1 ]; then
    fail "no RECHNER_TIMESTAMP_URL: without a time stamp the signatures stop verifying once the certificate expires; give a time-stamp service's address (or RECHNER_TEST_RELEASE=1 for a test release)"
  fi
}

sign() {
  local name=$1 file=$2 out
  [ -n "${RECHNER_SIGNATURES_OUT:-}" ] || fail "RECHNER_SIGNATURES_OUT is not set"
  mkdir -p "$RECHNER_SIGNATURES_OUT"
  if [ -n "$signatures" ]; then
    [ -f "$signatures/$name.pem" ] || fail "$signatures has no signature $name.pem for $name"
    # The signature fits when the digest it signed is this file's. (Whether
    # its certificate is trusted is for the user's system to say: a test
    # CA's is not, here, and attach-signature then fails though it attached.)
    out=$(osslsigncode attach-signature -sigin "$signatures/$name.pem" -in "$file" -out "$work/signed" 2>&1) || true
    local signed_digest file_digest
    signed_digest=$(sed -n 's/^Current message digest *: *\([0-9A-Fa-f]*\).*/\1/p' <<<"$out" | head -n 1)
    file_digest=$(sed -n 's/^Calculated message digest *: *\([0-9A-Fa-f]*\).*/\1/p' <<<"$out" | head -n 1)
    [ -s "$work/signed" ] && [ -n "$signed_digest" ] && [ "$signed_digest" = "$file_digest" ] \
      || fail "the signature $signatures/$name.pem does not fit this build's $name (it signed ${signed_digest:-nothing readable}, the file is ${file_digest:-unreadable})"
  else
    local stamp=()
    [ -z "${RECHNER_TIMESTAMP_URL:-}" ] || stamp=(-ts "$RECHNER_TIMESTAMP_URL")
    # shellcheck disable=SC2046
    out=$(osslsigncode sign $(key_options) -h sha256 -n Rechner "${stamp[@]}" -in "$file" -out "$work/signed" 2>&1) \
      || fail "signing $name with ${p12:-the PKCS#11 token of $module} failed: $(grep -v '^$' <<<"$out" | tail -n 2 | tr '\n' ' ')"
  fi
  osslsigncode extract-signature -pem -in "$work/signed" -out "$work/$name.pem" >/dev/null 2>&1 \
    || fail "the signature of $name cannot be read back"
  mv "$work/$name.pem" "$RECHNER_SIGNATURES_OUT/$name.pem"
  cat "$work/signed" >"$file"
}

case "${1:-}" in
  check) check ;;
  *) [ $# -eq 2 ] || { echo "usage: $0 check | NAME FILE" >&2; exit 2; }
     sign "$1" "$2" ;;
esac
