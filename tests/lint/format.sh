#!/usr/bin/env bash
# Every C++ file under src/, tests/, bench/ and fuzz/ is formatted as the project's .clang-format says.
#   format.sh <clang-format> <source root>
# Lists the files that are not, with the command that formats them, and exits 1 when there is one; exits 77
# (skipped) when clang-format is not installed (scripts/deps --test installs it).
set -uo pipefail
clang_format=${1:-}
root=${2:?source root}
if [ -z "$clang_format" ] || ! command -v "$clang_format" >/dev/null; then
    echo "format: skipped, clang-format is not installed"
    exit 77
fi
cd "$root" || exit 2
[ -f .clang-format ] || { echo "format: $root/.clang-format is missing"; exit 2; }

unformatted=()
count=0
while IFS= read -r -d '' file; do
    count=$((count + 1))
    "$clang_format" --style=file --dry-run -Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done < <(find src tests bench fuzz -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)

if [ ${#unformatted[@]} -ne 0 ]; then
    printf '%s\n' "${unformatted[@]}"
    echo "format: ${#unformatted[@]} of $count files are not formatted; clang-format -i <file> formats one"
    exit 1
fi
echo "format: all $count files are formatted"
