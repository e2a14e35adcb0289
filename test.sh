#!/usr/bin/env bash
# Installs what is missing, then: builds with sanitizers and runs every unit
# and window test, once in the C locale and once in German; runs the static
# analysers, fuzzes each fuzz target for 20 s; builds the release twice
# (signed with throwaway keys, then from its signatures alone) and compares
# the bytes, and runs reprotest on its source package; builds the release
# after it (a version further); checks the release's source package and
# Debian package (its program's command line, its start on X11 and Wayland,
# its files, lintian); listens to the package's program with the screen
# reader Orca;
# then builds the Windows program and runs its tests under Wine (where the
# Debian release has Wine), and installs, updates and uninstalls the two
# releases' installers there.
#
# ./test.sh --fresh-system, as scripts/fresh-debian.sh runs it in a fresh
# root of each Debian release, runs only what can come out otherwise on
# another release: the install, the build and the tests, the two releases
# and their packages (with CI set also the package's autopkgtest, and the
# install from the first release's apt repository, the upgrade from the
# second's and the purge), the screen reader, and Wine. The static
# analysis, the fuzzing and the reproducibility checks depend on this
# project's code, not on the release, and run once, in ./test.sh itself.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/lib.sh
case "${1:-}" in
  "") fresh=false ;;
  --fresh-system) fresh=true ;;
  *) echo "usage: $0 [--fresh-system]" >&2; exit 2 ;;
esac

scripts/install-deps.sh test

# The "dev" preset of CMakePresets.json: Debug, tests, sanitizers, -Werror.
cmake --preset dev
cmake --build --preset dev

# The unit and window tests first, so that they fail first and fast.
LC_ALL=C.UTF-8 ctest --preset dev
LC_ALL=de_DE.UTF-8 ctest --preset dev

install=()
if [ "$fresh" = false ]; then
  scripts/analyse.sh build/dev
  scripts/fuzz.sh 20
  scripts/check-signing.sh build/releases/this
  scripts/check-reproducible.sh build/releases/this
else
  # One release and the one after it, signed with a throwaway OpenPGP key as
  # their apt repositories must be for apt to update from them; with
  # winget's manifests for the Windows checks. With CI set, they are
  # installed here, as on a user's system.
  keys=$(mktemp -d)
  trap 'GNUPGHOME="$keys/gnupg" gpgconf --kill all 2>/dev/null; rm -rf "$keys"' EXIT
  RECHNER_GPG_KEY=$(throwaway_openpgp_key "$keys/gnupg")
  export GNUPGHOME="$keys/gnupg" RECHNER_GPG_KEY
  RECHNER_RELEASE_URL=https://example.invalid/rechner/$(rechner_version) scripts/release.sh build/releases/this
  [ -z "${CI:-}" ] || install=(--install)
fi
scripts/next-release.sh build/releases/this build/releases/next
scripts/check-release.sh "${install[@]}" build/releases/this build/releases/next
scripts/check-speech.sh build/releases/this/rechner_*_amd64.deb
scripts/test-windows.sh build/releases/this build/releases/next
