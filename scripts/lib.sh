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
