#!/usr/bin/env bash
# The unit tests built for Windows (build-windows/), run with CTest under Wine: a fresh prefix, Qt for Windows ($1,
# its prefix) and the compiler's runtime on WINEPATH, Qt's offscreen platform (set by each test).
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/windows/wine.sh
qt=$1
wine_new_prefix
trap wine_end_prefix EXIT
WINEPATH=$(wine_dll_path "$qt")
export WINEPATH
wineboot -i >/dev/null 2>&1 || true
cd build-windows
ctest --output-on-failure --timeout 300 -j 2
