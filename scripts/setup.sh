#!/usr/bin/env bash
# Installs what is missing on Debian (with the tools that check the installation and the Debian
# package), then configures and builds VESK into build/.
# Building also creates build/Exam.mdb from the question pool when it is absent.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/install-deps.sh" "$@"
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j"$(nproc)"
