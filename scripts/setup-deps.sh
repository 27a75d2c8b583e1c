#!/usr/bin/env bash
# Installs what a bare Debian 12 machine needs to build, test and run.
set -euo pipefail
PKGS=(build-essential cmake ninja-build pkg-config
      qt6-base-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
      qt6-translations-l10n  # Qt's own buttons and boxes in Japanese
      libicu-dev  # the list check's Unicode normalisation
      libdtl-dev  # the preview's before/after marks (a diff)
      fonts-ipafont-gothic xvfb xauth imagemagick
      clang-14 libclang-rt-14-dev
      time python3)  # bench/compare.sh: /usr/bin/time -v, the corpus generator
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
