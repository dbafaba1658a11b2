#!/usr/bin/env bash
# Installs every Debian package the build, the program, the tests and the
# benchmarks need. Packages already present are skipped, so a second run is quick.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev
  qt6-base-dev libgl-dev qt6-translations-l10n
  qt6-webengine-dev
  libsqlcipher-dev sqlcipher
  postgresql libpq-dev
  libsodium-dev
  libgsf-1-dev
  libxlsxwriter-dev
  libbenchmark-dev
  clang libclang-rt-14-dev
  fonts-noto-cjk fonts-arphic-uming fonts-liberation2
  poppler-utils python3-xlwt
  python3-markdown
  libreoffice-calc
  xvfb xauth x11-apps imagemagick
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# The PostgreSQL server package makes a cluster of its own and starts it once
# installed; nothing of ours uses it (the tests run servers of their own). In
# a container without an init system a failed start would fail the whole
# install, so there, unless the image has a policy already, no service is
# started while installing.
policy=/usr/sbin/policy-rc.d
if [ ! -d /run/systemd/system ] && [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
  $SUDO chmod 755 "$policy"
  trap '$SUDO rm -f "$policy"' EXIT
fi
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
