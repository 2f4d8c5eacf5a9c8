#!/usr/bin/env bash
# layers.sh itself, on small trees made here: a tree whose includes go the right way passes, and each kind of
# wrong include, alone, fails it.
#   layers-selftest.sh <layers.sh>
set -uo pipefail
layers=${1:?layers.sh}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A fake Qt: the widget and GUI modules' header names that the check reads.
mkdir -p "$work/qt/QtWidgets" "$work/qt/QtGui"
touch "$work/qt/QtWidgets/QWidget" "$work/qt/QtWidgets/QDialog" "$work/qt/QtWidgets/qdialog.h"
touch "$work/qt/QtGui/QFont" "$work/qt/QtGui/QColor" "$work/qt/QtGui/qfont.h"

# A tree with the right includes only: the shell's own and main.cpp may include app/ headers, the windows of
# other folders may include widget headers, config/ and protocol/ include QtCore and each other.
clean_tree() {
    rm -rf "$work/src"
    mkdir -p "$work/src/app" "$work/src/config" "$work/src/protocol" "$work/src/daemon" "$work/src/platform/gui"
    printf '#include "app/CTalkApp.h"\n#include <QApplication>\n' >"$work/src/main.cpp"
    printf '#include "app/AppCore.h"\n#include <QDialog>\n' >"$work/src/app/CTalkApp.cpp"
    printf '#include "config/Settings.h"\n#include <QString>\n#include "protocol/ControlMessage.h"\n' \
        >"$work/src/config/Settings.cpp"
    printf '// #include "app/CTalkApp.h" is not needed here\n#include <cstdint>\n' >"$work/src/protocol/ControlMessage.h"
    printf '#include "platform/AppContext.h"\n#include <QWidget>\n#include <QFont>\n' >"$work/src/daemon/CRequestPrompt.cpp"
    printf '#include <QtWidgets/QFontDialog>\n#include "config/LogFont.h"\n' >"$work/src/platform/gui/FontChooser.cpp"
}

# expect <exit code> <what> [file line]: runs the check on the tree as it is now.
expect() {
    local want=$1 what=$2
    bash "$layers" "$work/src" "$work/qt/QtWidgets" "$work/qt/QtGui" >"$work/out" 2>&1
    local got=$?
    if [ "$got" -ne "$want" ]; then
        echo "FAILED: $what: exit $got, expected $want"
        sed 's/^/    /' "$work/out"
        failures=$((failures + 1))
    elif [ "$want" -ne 0 ] && ! grep -q "^src/$3:$4: " "$work/out"; then
        echo "FAILED: $what: src/$3:$4 not named"
        sed 's/^/    /' "$work/out"
        failures=$((failures + 1))
    else
        echo "ok: $what"
    fi
}

# wrong <what> <file under src> <line>: one bad include added to a clean tree must fail the check at that line.
wrong() {
    clean_tree
    mkdir -p "$(dirname "$work/src/$2")"
    printf '// a file\n%s\n' "$3" >>"$work/src/$2"
    local line
    line=$(wc -l <"$work/src/$2")
    expect 1 "$1" "$2" "$line"
}

clean_tree
expect 0 "includes in the right direction"
wrong "a window includes the shell" daemon/CRequestPrompt.cpp '#include "app/CTalkApp.h"'
wrong "a core file includes the shell" robot/MessageContainer.cpp '#include "app/AppCore.h"'
wrong "a header includes the shell, angle brackets" conversation/CTalkConversation.h '#include <app/TalkWindowEntry.h>'
wrong "a relative path into the shell" locate/LocateSearch.cpp '#include "../app/AppCore.h"'
wrong "config includes QDialog" config/FontChooser.h '#include <QDialog>'
wrong "config includes QFont" config/FontConversion.h '  #  include <QFont>'
wrong "protocol includes QColor" protocol/ControlMessage.cpp '#include <QColor>'
wrong "config includes a lower-case GUI header" config/LogFont.h '#include <qfont.h>'
wrong "config includes QtWidgets/ by module" config/Other.cpp '#include <QtWidgets/QLabel>'
wrong "protocol includes QtGui/ by module" protocol/Other.h '#include <QtGui/QIcon>'

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
echo "all passed"
