#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build and run dependencies is missing.
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libhidapi-dev libfontconfig-dev
          libxcb1-dev fonts-dejavu-core fonts-dejavu-extra fonts-liberation2 dpkg-dev file
          desktop-file-utils "$@")

# CI makes the cable kit beside the other steps, and each installs what it needs: one at a time.
exec 9>"${TMPDIR:-/tmp}/virel-deps.lock"
flock 9

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
