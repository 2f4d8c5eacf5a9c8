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
# Wine shows nothing a test prints on its standard output: a test that failed runs once more, writing to a file.
# Wine's timers run late under load: a failed test gets up to two more runs before it counts as failed.
if ! ctest --timeout 300 -LE 'loopback-addresses|wine-timing' --repeat until-pass:3; then
    while read -r failed; do
        name=${failed#*:}
        echo "== $name"
        wine "$name.exe" $([ -n "$(grep -l "$name" tests/*/CTestTestfile.cmake | xargs grep -h "add_test(\[=\[$name\]=\].*-platform")" ] && echo -platform offscreen) \
            -o "$WINEPREFIX/$name.txt,txt" </dev/null >/dev/null 2>&1
        grep -v '^PASS' "$WINEPREFIX/$name.txt" 2>/dev/null | head -n 60
    done <Testing/Temporary/LastTestsFailed.log
    exit 1
fi
