#!/usr/bin/env bash
# Installs, from Debian, whatever of the build's and the tests' packages is missing (with the
# tools that check the installation and the Debian package); extra package names may be given.
set -euo pipefail

# qt6-charts-dev needs libqt6opengl6-dev for its CMake files without saying so; poppler-utils
# reads the reports back in the tests.
packages=(cmake g++ make pkg-config qt6-base-dev libfontconfig-dev libgl-dev libsqlcipher-dev sqlcipher sqlite3
          qt6-charts-dev libqt6opengl6-dev poppler-utils fonts-dejavu-core fonts-liberation2
          desktop-file-utils appstream lintian dpkg-dev file
          # Classroom mode: the server, unixODBC and the server's ODBC driver (tests start a server).
          unixodbc unixodbc-dev odbc-postgresql postgresql "$@")
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
