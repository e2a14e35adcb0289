#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Usage: scripts/install-deps.sh run|test
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev fonts-liberation fonts-dejavu-core)
if [ "${1:-run}" = test ]; then
  # tests, fuzzing, static analysis, packaging checks
  packages+=(libgtest-dev locales clang libclang-rt-14-dev clang-tidy cppcheck
             binutils desktop-file-utils appstream dpkg-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests also run under a German locale, the one the program's users have.
if [ "${1:-run}" = test ] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  "${sudo[@]}" sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo[@]}" locale-gen >/dev/null
fi
