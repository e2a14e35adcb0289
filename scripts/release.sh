#!/usr/bin/env bash
# Builds a release into OUT (default build/dist) from the source tarball, as
# anyone can build it again: the tarball and Debian's orig tarball
# (scripts/dist.sh); Debian's source package (.dsc, the orig and the debian
# tarball) and the package built from it with dpkg-buildpackage (with the
# .changes and .buildinfo a sponsor uploads), and an apt repository of it in
# OUT/apt/; from the tarball unpacked, rechner.exe, the portable zip and the
# installer; SHA256SUMS over the downloads. In a git clone the release is
# the last commit: a tree with changes not committed is refused, naming
# them.
# Every tool writes the time of the source (source_date_epoch, lib.sh)
# instead of its clock, so the same source gives the same bytes; that time
# is written to OUT/SOURCE_DATE_EPOCH, and the commit the source is from to
# OUT/SOURCE_COMMIT.
#
# Signing, each part optional on its own:
# - RECHNER_GPG_KEY (a key id; GNUPGHOME is honoured): detached armoured
#   OpenPGP signatures SHA256SUMS.asc and rechner-VERSION.tar.xz.asc, and
#   the apt repository's InRelease (without the key it is not signed, and
#   says so);
# - RECHNER_AUTHENTICODE_P12 and RECHNER_AUTHENTICODE_PASSWORD, or a PKCS#11
#   token (scripts/authenticode.sh says how), with RECHNER_TIMESTAMP_URL for
#   a time stamp: Authenticode signatures on rechner.exe (the download and
#   the copies in the zip and the installer), the uninstaller and the
#   installer.
# Every signature made is also put, detached, into OUT/signatures/, with the
# OpenPGP public key. RECHNER_SIGNATURES=DIR (such a folder, published) and
# no key builds the same signed release bit for bit from those signatures.
# RECHNER_RELEASE_URL, the address the release's files are published under,
# adds winget's manifests in OUT/winget/.
# Nothing is written to OUT unless the whole release is made.
# Usage: scripts/release.sh [OUT]
set -euo pipefail
. "$(dirname "$0")/lib.sh"
cd "$RECHNER_ROOT"
out=${1:-build/dist}
fail() { echo "release: $*" >&2; exit 1; }
require_committed release

scripts/install-deps.sh release
SOURCE_DATE_EPOCH=$(source_date_epoch)
export SOURCE_DATE_EPOCH
version=$(rechner_version)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
made="$work/out"
export RECHNER_SIGNATURES_OUT="$made/signatures"
mkdir -p "$made"

# What is to be signed, and with what: all of it checked before the build.
gpg_key=${RECHNER_GPG_KEY:-}
signatures=${RECHNER_SIGNATURES:+$(realpath -m "$RECHNER_SIGNATURES")}
authenticode=
if [ -n "$signatures" ]; then
  export RECHNER_SIGNATURES="$signatures"
  [ -z "$gpg_key${RECHNER_AUTHENTICODE_P12:-}${RECHNER_AUTHENTICODE_PKCS11_MODULE:-}" ] \
    || fail "RECHNER_SIGNATURES attaches a release's published signatures; it takes no key (unset RECHNER_GPG_KEY and RECHNER_AUTHENTICODE_*)"
  [ -d "$signatures" ] || fail "RECHNER_SIGNATURES: no folder $signatures"
  ls "$signatures"/*.pem >/dev/null 2>&1 && authenticode=yes
  ls "$signatures"/*.asc >/dev/null 2>&1 || [ -n "$authenticode" ] || fail "$signatures holds no signatures (*.pem, *.asc)"
elif [ -n "${RECHNER_AUTHENTICODE_P12:-}${RECHNER_AUTHENTICODE_PKCS11_MODULE:-}" ]; then
  authenticode=yes
fi
[ -z "$authenticode" ] || scripts/authenticode.sh check

# The OpenPGP key is there, neither expired nor revoked, and signs: a trial
# signature, asking for its passphrase only where someone can answer (into
# a file of its own: gpg removes its output file when it fails).
if [ -n "$gpg_key" ]; then
  listing=$(gpg --batch --with-colons --list-secret-keys -- "$gpg_key" 2>/dev/null) \
    || fail "RECHNER_GPG_KEY=$gpg_key: no such secret key in ${GNUPGHOME:-~/.gnupg}"
  case $(awk -F: '$1 == "sec" { print $2; exit }' <<<"$listing") in
    e) fail "RECHNER_GPG_KEY=$gpg_key: the key has expired" ;;
    r) fail "RECHNER_GPG_KEY=$gpg_key: the key is revoked" ;;
  esac
  pinentry=()
  [ -t 0 ] || pinentry=(--pinentry-mode error)
  echo probe | gpg --batch --yes "${pinentry[@]}" --local-user "$gpg_key" --detach-sign -o "$work/probe" 2>/dev/null \
    || fail "RECHNER_GPG_KEY=$gpg_key: the key cannot sign (locked: its passphrase is not at hand?)"
fi

quietly() {   # quietly STEP COMMAND...: its output only when it fails
  "${@:2}" >"$work/log" 2>&1 || { tail -n 25 "$work/log" | grep -v '^\[' >&2; fail "$1 failed"; }
}

scripts/dist.sh "$made" >/dev/null
tar -C "$work" -xJf "$made/rechner-$version.tar.xz"
src="$work/rechner-$version"

# Debian's source package, the orig tarball with debian/ beside it, and the
# package built from it as Debian's builders build it, tests included
# (DEB_BUILD_OPTIONS=nocheck leaves them out).
echo "release: the Debian source package, and the package built from it"
mkdir -p "$work/debian"
cp "$made/rechner_$version.orig.tar.xz" "$work/debian/"
tar -C "$work/debian" -xJf "$made/rechner_$version.orig.tar.xz"
cp -r "$src/debian" "$work/debian/rechner-$version/"
# dpkg-source keeps the modes it finds, which a non-root build took from the
# umask: 755 and 644 make the debian tarball the same under any umask.
chmod -R u+rwX,go=rX "$work/debian/rechner-$version"
(cd "$work/debian/rechner-$version" && DEB_BUILD_OPTIONS="noautodbgsym ${DEB_BUILD_OPTIONS:-}" \
   quietly "the Debian package" dpkg-buildpackage -us -uc)
# Every compile and link of it with the hardening flags Debian asks for
# (blhc reads the build log as Debian's QA reads its builders' logs).
blhc --all "$work/log" >"$work/blhc" 2>&1 || { head -n 5 "$work/blhc" >&2; fail "the Debian package's build lacks hardening flags (blhc)"; }
package=rechner_$version-1
cp "$work/debian/$package.dsc" "$work/debian/$package.debian.tar.xz" "$work/debian/${package}_amd64.deb" \
  "$work/debian/${package}_amd64.changes" "$work/debian/${package}_amd64.buildinfo" "$made/"

echo "release: rechner.exe, the portable zip and the installer${authenticode:+, signed}"
quietly "configuring the Windows build" cmake -S "$src" --preset windows -B "$work/windows" \
  -DRECHNER_TESTS=OFF -DRECHNER_WERROR=OFF -DRECHNER_SIGN_COMMAND="${authenticode:+$src/scripts/authenticode.sh}"
quietly "the Windows build" cmake --build "$work/windows"
cp "$work/windows/rechner.exe" "$work/windows/rechner-$version-windows-x64.zip" \
  "$work/windows/rechner-$version-setup.exe" "$made/"

echo "$SOURCE_DATE_EPOCH" >"$made/SOURCE_DATE_EPOCH"
commit=$(cat "$src/.source-commit")
[[ $commit != *'$Format'* ]] || commit="unknown (not made from a git clone)"
echo "$commit" >"$made/SOURCE_COMMIT"
downloads=("rechner-$version.tar.xz" "${package}_amd64.deb" "rechner_$version.orig.tar.xz" "$package.debian.tar.xz"
           "$package.dsc" rechner.exe "rechner-$version-windows-x64.zip" "rechner-$version-setup.exe")
(cd "$made" && sha256sum "${downloads[@]}" >SHA256SUMS)

# The checksums and the source tarball, signed with OpenPGP: by the key, or
# by the published signatures, which must be signatures of these files.
signed=("SHA256SUMS" "rechner-$version.tar.xz")
if [ -n "$gpg_key" ]; then
  mkdir -p "$made/signatures"
  for f in "${signed[@]}"; do
    gpg --batch --yes --armor --local-user "$gpg_key" --detach-sign -o "$made/$f.asc" "$made/$f"
    cp "$made/$f.asc" "$made/signatures/"
  done
  gpg --batch --armor --export "$gpg_key" >"$made/signatures/openpgp-key.asc"
elif [ -n "$signatures" ] && ls "$signatures"/*.asc >/dev/null 2>&1; then
  [ -s "$signatures/openpgp-key.asc" ] || fail "$signatures has OpenPGP signatures but not the key they were made with (openpgp-key.asc)"
  gpg --batch --dearmor <"$signatures/openpgp-key.asc" >"$work/keyring.gpg"
  mkdir -p "$made/signatures"
  cp "$signatures/openpgp-key.asc" "$made/signatures/"
  for f in "${signed[@]}"; do
    [ -f "$signatures/$f.asc" ] || fail "$signatures has no signature $f.asc"
    gpgv --keyring "$work/keyring.gpg" "$signatures/$f.asc" "$made/$f" >/dev/null 2>&1 \
      || fail "the signature $signatures/$f.asc does not fit this build's $f"
    cp "$signatures/$f.asc" "$made/"
    cp "$signatures/$f.asc" "$made/signatures/"
  done
fi

# A flat apt repository of the package (a sources entry names it with the
# suite "./"): Packages, and Release dated with the time of the source;
# InRelease is Release signed by the OpenPGP key, or the published
# signature checked against this Release.
mkdir -p "$made/apt"
cp "$made/${package}_amd64.deb" "$made/apt/"
(cd "$made/apt" && dpkg-scanpackages --multiversion . /dev/null >Packages 2>/dev/null)
publisher=$(rechner_identity RECHNER_PUBLISHER)
date=$(LC_ALL=C date -u -d "@$SOURCE_DATE_EPOCH" '+%a, %d %b %Y %H:%M:%S UTC')
(cd "$made/apt" && apt-ftparchive -o APT::FTPArchive::MD5=false -o APT::FTPArchive::SHA1=false \
   -o "APT::FTPArchive::Release::Origin=$publisher" -o "APT::FTPArchive::Release::Label=$publisher" \
   -o APT::FTPArchive::Release::Architectures=amd64 -o "APT::FTPArchive::Release::Date=$date" \
   -o "APT::FTPArchive::Release::Description=Rechner $version, the Debian package" release . >"$work/Release")
mv "$work/Release" "$made/apt/Release"
if [ -n "$gpg_key" ]; then
  gpg --batch --yes --local-user "$gpg_key" --digest-algo SHA512 --clearsign -o "$made/apt/InRelease" "$made/apt/Release"
  cp "$made/apt/InRelease" "$made/signatures/"
elif [ -f "$work/keyring.gpg" ]; then
  [ -f "$signatures/InRelease" ] || fail "$signatures has no InRelease, the apt repository's signature"
  gpgv --keyring "$work/keyring.gpg" --output "$work/InRelease.text" "$signatures/InRelease" >/dev/null 2>&1 \
    && cmp -s "$work/InRelease.text" "$made/apt/Release" \
    || fail "the signature $signatures/InRelease does not fit this build's apt/Release"
  cp "$signatures/InRelease" "$made/apt/"
  cp "$signatures/InRelease" "$made/signatures/"
else
  echo "release: no RECHNER_GPG_KEY: the apt repository in apt/ is not signed (no InRelease); apt refuses it unless told to trust it"
fi

# winget's manifests for the installer, once its address is known.
if [ -n "${RECHNER_RELEASE_URL:-}" ]; then
  scripts/winget.py write "$made/rechner-$version-setup.exe" "$RECHNER_RELEASE_URL" "$made/winget" >/dev/null
else
  echo "release: RECHNER_RELEASE_URL is not set, so no winget manifests are written"
fi
[ -n "$gpg_key" ] || [ -f "$made/SHA256SUMS.asc" ] || echo "release: no RECHNER_GPG_KEY: SHA256SUMS and the tarball are not signed"
[ -n "$authenticode" ] || echo "release: no Authenticode key: the Windows programs are not signed"

# The whole release made: into OUT, replacing what an earlier one left there.
mkdir -p "$out"
rm -rf "$out/signatures" "$out/winget" "$out/apt" "$out"/*.asc
cp -r "$made"/. "$out/"
echo "release: $out (commit $commit, SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH)"
cat "$out/SHA256SUMS"
