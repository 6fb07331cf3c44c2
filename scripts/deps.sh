#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need; quick when all are there.
set -euo pipefail
PACKAGES=(
  cmake ninja-build g++ clang pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev zlib1g-dev libfreexl-dev libqpdf-dev
  libreoffice-writer-nogui libreoffice-calc-nogui fonts-dejavu-core
  poppler-utils xvfb xauth qt6-translations-l10n
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Устанавливаются пакеты: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
