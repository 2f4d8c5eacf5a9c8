# Sourced by the Windows test scripts: a Wine prefix of the run's own, and the paths of Qt for Windows and of the
# compiler's runtime in Windows' form.

# A fresh prefix in a new folder; ended and removed with the script.
wine_new_prefix() {
    export WINEPREFIX
    WINEPREFIX=$(mktemp -d /tmp/zuno-wine.XXXXXX)
    export WINEDEBUG=-all
    # No Mono or Gecko installer dialogs: nothing here needs .NET or HTML.
    export WINEDLLOVERRIDES="mscoree,mshtml="
}

wine_end_prefix() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}

# A Linux path as Wine's drive Z: names it.
wine_path() {
    local p
    p=$(realpath -m "$1")
    echo "Z:${p//\//\\}"
}

# Where the DLLs of Qt for Windows ($1, its prefix) and of the -posix compilers' runtime are, for WINEPATH.
wine_dll_path() {
    local gcc_runtime pthread
    gcc_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
    pthread=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
    echo "$(wine_path "$1/bin");$(wine_path "$gcc_runtime");$(wine_path "$pthread")"
}
