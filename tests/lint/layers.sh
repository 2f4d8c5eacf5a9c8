#!/usr/bin/env bash
# The direction of the layers, checked on the sources: nothing below src/ but src/app/ and src/main.cpp includes
# an app/ header (the shell hands down what the rest needs), and nothing in src/config/ or src/protocol/ includes
# a QtWidgets or QtGui header (they build and are fuzzed without a window system).
#   layers.sh <src dir> <QtWidgets include dir> <QtGui include dir>
# Prints each offending include as "file:line: text" and exits 1 when there is one.
set -euo pipefail
src=${1:?src dir}
widgets=${2:?QtWidgets include dir}
gui=${3:?QtGui include dir}
[ -d "$src" ] && [ -d "$widgets" ] && [ -d "$gui" ] || { echo "layers: a folder is missing: $*" >&2; exit 2; }

# Every header Qt's widget and GUI modules install (QWidget, QFont, qcolor.h, ...), by file name.
declare -A gui_header=()
while IFS= read -r name; do gui_header[$name]=1; done < <(ls "$widgets" "$gui" | grep -v ':$' | grep .)

found=0
# The included names of a file, one "line<TAB>name<TAB>text" each.
includes() {
    awk '{ if (match($0, /^[ \t]*#[ \t]*include[ \t]*[<"][^>"]+[>"]/)) {
               s = substr($0, RSTART, RLENGTH); sub(/^[^<"]*[<"]/, "", s); sub(/[>"]$/, "", s)
               printf "%d\t%s\t%s\n", NR, s, $0 } }' "$1"
}
report() {
    echo "src/${1#"$src"/}:$2: $3   ($4)"
    found=1
}

while IFS= read -r -d '' file; do
    rel=${file#"$src"/}
    case $rel in app/* | main.cpp) continue ;; esac
    while IFS=$'\t' read -r line name text; do
        case $name in
        app/* | */app/*) report "$file" "$line" "$text" "only src/app/ and src/main.cpp may include the shell's headers" ;;
        esac
    done < <(includes "$file")
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)

for layer in config protocol; do
    [ -d "$src/$layer" ] || continue
    while IFS= read -r -d '' file; do
        while IFS=$'\t' read -r line name text; do
            if [[ $name == QtWidgets/* || $name == QtGui/* || ($name != */* && -n ${gui_header[$name]:-}) ]]; then
                report "$file" "$line" "$text" "src/$layer/ builds without QtWidgets and QtGui"
            fi
        done < <(includes "$file")
    done < <(find "$src/$layer" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
done

if [ "$found" -ne 0 ]; then
    echo "layers: includes against the direction of the layers (see above)"
    exit 1
fi
echo "layers: every include goes the right way"
