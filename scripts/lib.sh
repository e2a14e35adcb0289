# What the scripts share; bash only. Source it as
#   . "$(dirname "$0")/lib.sh"
# It sets RECHNER_ROOT, the project's top folder, and defines the functions
# below; it changes no option of the script that sources it.
RECHNER_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# A setting of the project's identity (project.conf): RECHNER_PUBLISHER,
# say. Read afresh each time, as new-version.sh changes it.
rechner_identity() {
  (. "$RECHNER_ROOT/project.conf" && printf '%s\n' "${!1}")
}

# The project's version.
rechner_version() { rechner_identity RECHNER_VERSION; }

# Whether this tree is a git clone that git can read (a source tarball
# unpacked is not).
in_clone() {
  [ -e "$RECHNER_ROOT/.git" ] && command -v git >/dev/null 2>&1
}

# source_date_epoch: the time of the source in seconds since 1970, which
# every tool of a reproducible build writes instead of its clock:
# SOURCE_DATE_EPOCH when it is set, else the time of the last commit, else
# (a tree without .git, as a source tarball unpacks) the date of the newest
# entry of debian/changelog. A tree with neither is refused.
source_date_epoch() {
  local epoch=${SOURCE_DATE_EPOCH:-}
  [ -n "$epoch" ] || ! in_clone || epoch=$(git -C "$RECHNER_ROOT" log -1 --format=%ct 2>/dev/null) || epoch=
  if [ -z "$epoch" ] && [ -f "$RECHNER_ROOT/debian/changelog" ]; then
    command -v dpkg-parsechangelog >/dev/null \
      || { echo "$(basename "$0"): reading the date of debian/changelog needs dpkg-parsechangelog (Debian package dpkg-dev)" >&2; return 1; }
    epoch=$(dpkg-parsechangelog -l "$RECHNER_ROOT/debian/changelog" -STimestamp 2>/dev/null) || epoch=
  fi
  [ -n "$epoch" ] || {
    echo "$(basename "$0"): this tree has no .git and no date in debian/changelog, so the time of its source is unknown;" \
      "refusing to stamp the release with today's date. Build it from a git clone, or set SOURCE_DATE_EPOCH" \
      "(seconds since 1970) to the time of its source." >&2
    return 1
  }
  echo "$epoch"
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

# throwaway_openpgp_key HOME [COMMAND...]: a new OpenPGP signing key, valid
# for a day, in HOME, a GNUPGHOME folder made for it; its passphrase is
# $passphrase (none when that is unset or empty); COMMAND (faketime, say)
# runs gpg. Prints the key's fingerprint.
throwaway_openpgp_key() {
  local home=$1
  shift
  mkdir -m 700 "$home"
  GNUPGHOME="$home" "$@" gpg --batch --pinentry-mode loopback --passphrase "${passphrase:-}" \
    --quick-gen-key "Rechner release test <release-test@example.invalid>" ed25519 sign 1d 2>/dev/null
  GNUPGHOME="$home" gpgconf --kill gpg-agent   # forgets the passphrase
  GNUPGHOME="$home" gpg --batch --with-colons --list-secret-keys 2>/dev/null | awk -F: '$1 == "fpr" { print $10; exit }'
}

# only_file WHAT FILE...: the one FILE (a pattern's matches), as a full
# path; fails saying there is no single WHAT when there are none or several.
only_file() {
  local what=$1
  shift
  [ $# -eq 1 ] && [ -f "$1" ] || { echo "$(basename "$0"): no single $what" >&2; return 1; }
  realpath "$1"
}

# installed PACKAGE: whether dpkg has the Debian package installed. (The
# answer is read whole: grep -q ending a pipe early would fail it under
# pipefail.)
installed() {
  [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

# wait_for SECONDS WHAT COMMAND...: runs COMMAND every tenth of a second
# until it succeeds; after SECONDS fails, saying that WHAT did not happen.
wait_for() {
  local seconds=$1 what=$2 i
  shift 2
  for ((i = 0; i < seconds * 10; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  echo "$(basename "$0"): waited $seconds s for $what" >&2
  return 1
}

# Processes started in the background with started+=($!), ended newest
# first by end_started (from the script's EXIT trap): each is asked to end,
# and made to after ten seconds.
started=()
end_started() {
  local i pid
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do
    pid=${started[i]}
    kill "$pid" 2>/dev/null || continue
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  started=()
}

# start_display LOG [SIZE]: a virtual X display of its own (Xvfb, SIZE
# pixels, 1024x768 unless told; without -noreset it would forget its root
# window's properties whenever its last client goes), DISPLAY set to it once
# it takes clients; fails with Xvfb's log, in LOG, when it does not come up.
start_display() {
  local log=$1 size=${2:-1024x768} number i
  number=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$number" 2>"$log" &
  started+=($!)
  for ((i = 0; i < 600; i++)); do
    [ -s "$number" ] && break
    kill -0 "${started[-1]}" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$number" ]; then
    echo "$(basename "$0"): the virtual display (Xvfb) did not come up; its log:" >&2
    sed 's/^/  /' "$log" >&2
    rm -f "$number"
    return 1
  fi
  export DISPLAY=":$(head -n 1 "$number")"
  rm -f "$number"
}

# wine_prefix FOLDER: Wine's environment for a prefix of its own in FOLDER,
# without its own log and its prompts to download Mono and Gecko; the
# prefix is made when it is new.
wine_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
}

# median: the median of the numbers on standard input, one a line.
median() {
  sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
