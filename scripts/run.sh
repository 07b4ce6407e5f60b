#!/bin/bash
# Installs what is missing, builds Wimblet and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target wimblet
exec build/wimblet
