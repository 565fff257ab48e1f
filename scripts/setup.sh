#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and any further
# packages named as arguments (apt-get, as root), skipping those already present.
#
#   scripts/setup.sh [PACKAGE...]
set -euo pipefail
packages=(build-essential cmake pkg-config libxml2-dev libxslt1-dev libcurl4-openssl-dev libgtest-dev libgmock-dev
          libbenchmark-dev libcpp-httplib-dev libqrencode-dev "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "These packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
