#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what a desktop needs:
# the program, its menu entry, icon, software-centre entry and help document,
# each in its standard place and valid for the tools that read it.
#
#   check-install.sh <build dir>            install with cmake --install
#   check-install.sh <build dir> --package  build the .deb with cpack and check it
set -euo pipefail

build=$(cd "$1" && pwd)
mode=${2:-install}
work=$(mktemp -d)
failures=0

# cmake --install and cpack rewrite the build's install manifest; a real
# installation may rely on it for removal, so it is put back afterwards.
manifest="$build/install_manifest.txt"
if [ -e "$manifest" ]; then cp -p "$manifest" "$work/manifest.saved"; fi
cleanup() {
    if [ -e "$work/manifest.saved" ]; then
        cp -p "$work/manifest.saved" "$manifest"
    else
        rm -f "$manifest"
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

expect_file() { # <path> <what>
    if [ ! -f "$1" ]; then fail "$2 missing: $1"; fi
}

# ---- the installed tree -------------------------------------------------------

check_tree() { # <root> (the prefix: bin/, share/ below it)
    local root=$1
    local share=$root/share
    local desktop=$share/applications/sorabun.desktop
    local icon=$share/icons/hicolor/scalable/apps/sorabun.svg
    local metainfo=$share/metainfo/org.example.sorabun.metainfo.xml
    local help=$share/sorabun/Velmirahelp.html

    if [ ! -x "$root/bin/sorabun" ]; then fail "program missing or not executable: $root/bin/sorabun"; fi
    expect_file "$desktop" "menu entry"
    expect_file "$icon" "icon"
    expect_file "$metainfo" "software-centre entry"
    expect_file "$help" "help document"
    [ "$failures" -eq 0 ] || return 0

    # The menu entry: valid, starting the installed program with the files
    # chosen in a file manager, showing the installed icon.
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
    grep -qx 'Exec=sorabun %F' "$desktop" || fail "menu entry does not start 'sorabun %F'"
    grep -qx 'Icon=sorabun' "$desktop" || fail "menu entry does not name the icon sorabun"
    grep -qx 'MimeType=text/plain;' "$desktop" || fail "menu entry does not offer itself for text/plain"
    grep -qx 'Categories=Utility;TextEditor;' "$desktop" || fail "menu entry categories"
    grep -q '^Name\[ja\]=' "$desktop" || fail "menu entry has no Japanese name"

    # The software-centre entry: valid offline, pointing at the menu entry.
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"
    appstreamcli validate-tree --no-net "$root" || fail "appstreamcli rejects the installed tree"
    grep -q '<launchable type="desktop-id">sorabun.desktop</launchable>' "$metainfo" ||
        fail "software-centre entry does not launch sorabun.desktop"
    grep -q '<binary>sorabun</binary>' "$metainfo" || fail "software-centre entry does not provide the binary"

    # The icon is a well-formed SVG document.
    xmllint --noout "$icon" 2>/dev/null || fail "icon is not well-formed XML"
    grep -q '<svg' "$icon" || fail "icon is not an SVG image"

    # The help document: UTF-8 Japanese HTML covering every menu, the pages
    # and the command line, found where the program looks (beside bin/).
    iconv -f UTF-8 -t UTF-8 "$help" >/dev/null 2>&1 || fail "help document is not UTF-8"
    grep -q '<meta charset="UTF-8">' "$help" || fail "help document does not declare its encoding"
    local topic
    for topic in 'ファイル メニュー' '編集 メニュー' '表示 メニュー' '検索 メニュー' '特殊 メニュー' \
        'ヘルプ メニュー' '9 つのページ' 'コマンドラインとオプション' 'アンイストールの準備'; do
        grep -q "$topic" "$help" || fail "help document lacks the topic '$topic'"
    done
    [ -f "$root/bin/../share/sorabun/Velmirahelp.html" ] ||
        fail "help document is not where the installed program looks for it"
    return 0
}

if [ "$mode" = install ]; then
    prefix=$work/prefix
    if ! env -u DESTDIR cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
        cat "$work/install.log" >&2
        fail "cmake --install failed"
    else
        check_tree "$prefix"
        # Nothing lands outside the prefix.
        outside=$(grep -v "^$prefix/" "$manifest" || true)
        [ -z "$outside" ] || fail "installed outside the prefix: $outside"
    fi
elif [ "$mode" = --package ]; then
    if ! (cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" \
        >"$work/cpack.log" 2>&1); then
        cat "$work/cpack.log" >&2
        fail "cpack -G DEB failed"
    else
        deb=$(find "$work/out" -maxdepth 1 -name '*.deb' | head -n 1)
        if [ -z "$deb" ]; then
            fail "cpack made no .deb"
        else
            dpkg-deb -x "$deb" "$work/root"
            check_tree "$work/root/usr"
            depends=$(dpkg-deb -f "$deb" Depends)
            for lib in libqt6widgets6 libqt6gui6 libqt6core6 libqt6printsupport6 libsqlite3-0 libc6; do
                grep -q "$lib" <<<"$depends" || fail "package does not depend on $lib (Depends: $depends)"
            done
            [ "$(dpkg-deb -f "$deb" Package)" = sorabun ] || fail "package is not named sorabun"
            [ "$(dpkg-deb -f "$deb" Version)" = 0.24 ] || fail "package version is not 0.24"
        fi
    fi
else
    echo "usage: $0 <build dir> [--package]" >&2
    exit 2
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all checks passed ($mode)"
