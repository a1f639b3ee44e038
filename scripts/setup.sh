#!/usr/bin/env bash
# Installs what is missing on Debian (with the tools that check the installation and the Debian
# package), then configures and builds VESK into build/.
# Building also creates build/Exam.mdb from the question pool when it is absent.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

packages=(cmake g++ make pkg-config qt6-base-dev libgl-dev libsqlcipher-dev sqlcipher sqlite3
          fonts-dejavu-core fonts-liberation2
          desktop-file-utils appstream lintian dpkg-dev file "$@")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j"$(nproc)"
