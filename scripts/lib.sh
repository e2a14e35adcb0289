# What the scripts share; bash only. Source it as
#   . "$(dirname "$0")/lib.sh"
# It sets RECHNER_ROOT, the project's top folder, and defines the functions
# below; it changes no option of the script that sources it.
RECHNER_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The project's version: the one written in CMakeLists.txt's project().
rechner_version() {
  sed -n 's/^project(rechner VERSION \([0-9.]*\).*/\1/p' "$RECHNER_ROOT/CMakeLists.txt"
}

# A value that CMakeLists.txt sets as set(NAME "VALUE"): RECHNER_CONTACT, say.
rechner_setting() {
  sed -n "s/^set($1 \"\(.*\)\")\$/\1/p" "$RECHNER_ROOT/CMakeLists.txt"
}

# The homepage, as project() names it.
rechner_homepage() {
  sed -n 's/^ *HOMEPAGE_URL "\(.*\)")*$/\1/p' "$RECHNER_ROOT/CMakeLists.txt"
}

# Whether this tree is a git clone that git can read (a source tarball
# unpacked is not).
in_clone() {
  [ -e "$RECHNER_ROOT/.git" ] && command -v git >/dev/null 2>&1
}

# require_committed WHO: in a clone, fails with a message naming them when
# tracked files have changes or untracked files (not ignored) are there, so
# that what WHO makes is the commit and nothing else. Outside a clone there
# is nothing to ask.
require_committed() {
  in_clone || return 0
  local changes
  changes=$(git -C "$RECHNER_ROOT" status --porcelain --untracked-files=all) \
    || { echo "$1: git cannot tell whether the tree is committed" >&2; return 1; }
  [ -z "$changes" ] && return 0
  {
    echo "$1: refused: the tree has changes that are not committed:"
    sed 's/^/  /' <<<"$changes"
    echo "$1: commit them (or remove them), then run it again."
  } >&2
  return 1
}

# openpgp_check KEY: the secret key KEY (an id) is there, neither expired nor
# revoked, and signs: a trial signature, asking for its passphrase only
# where someone can answer.
openpgp_check() {
  local listing validity pinentry=()
  listing=$(gpg --batch --with-colons --list-secret-keys -- "$1" 2>/dev/null) \
    || { echo "release: RECHNER_GPG_KEY=$1: no such secret key in ${GNUPGHOME:-~/.gnupg}" >&2; return 1; }
  validity=$(awk -F: '$1 == "sec" { print $2; exit }' <<<"$listing")
  case $validity in
    e) echo "release: RECHNER_GPG_KEY=$1: the key has expired" >&2; return 1 ;;
    r) echo "release: RECHNER_GPG_KEY=$1: the key is revoked" >&2; return 1 ;;
  esac
  [ -t 0 ] || pinentry=(--pinentry-mode error)
  # (Into a file of its own: gpg removes its output file when it fails.)
  local probe
  probe=$(mktemp)
  echo probe | gpg --batch --yes "${pinentry[@]}" --local-user "$1" --detach-sign -o "$probe" 2>/dev/null \
    || { rm -f "$probe"; echo "release: RECHNER_GPG_KEY=$1: the key cannot sign (locked: its passphrase is not at hand?)" >&2; return 1; }
  rm -f "$probe"
}

# openpgp_sign KEY FILE: FILE.asc, an armoured detached signature by KEY.
openpgp_sign() {
  gpg --batch --yes --armor --local-user "$1" --detach-sign -o "$2.asc" "$2"
}
