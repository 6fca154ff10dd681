#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what a desktop needs:
# the program, its menu entry, icons, software-centre entry, manual page and
# help document, each in its standard place and valid for the tools that read
# it.
#
#   check-install.sh <build dir>            install with cmake --install
#   check-install.sh <build dir> --package  build the .deb from a copy of the
#                                           sources with dpkg-buildpackage, check
#                                           it and run lintian --pedantic on it
set -euo pipefail

build=$(cd "$1" && pwd)
mode=${2:-install}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
failures=0

# cmake --install rewrites the build's install manifest; a real
# installation may rely on it for removal, so it is put back afterwards. The
# package build leaves the build folder alone.
manifest="$build/install_manifest.txt"
if [ "$mode" = install ] && [ -e "$manifest" ]; then cp -p "$manifest" "$work/manifest.saved"; fi
cleanup() {
    if [ -e "$work/manifest.saved" ]; then
        cp -p "$work/manifest.saved" "$manifest"
    elif [ "$mode" = install ]; then
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
    local metainfo=$share/metainfo/sorabun.metainfo.xml
    local help=$share/sorabun/Velmirahelp.html
    local manual=$share/man/man1/sorabun.1

    if [ ! -x "$root/bin/sorabun" ]; then fail "program missing or not executable: $root/bin/sorabun"; fi
    expect_file "$desktop" "menu entry"
    expect_file "$icon" "icon"
    expect_file "$metainfo" "software-centre entry"
    expect_file "$help" "help document"
    # A package compresses the manual page.
    [ -f "$manual" ] || manual=$manual.gz
    expect_file "$manual" "manual page"
    local size
    for size in 16 22 24 32 48 64 128 256; do
        local png=$share/icons/hicolor/${size}x${size}/apps/sorabun.png
        expect_file "$png" "${size}px icon"
        if [ -f "$png" ]; then
            file -b "$png" | grep -q "PNG image data, $size x $size," ||
                fail "icon $png is not a $size x $size PNG: $(file -b "$png")"
        fi
    done
    [ "$failures" -eq 0 ] || return 0

    # The menu entry: valid, starting the installed program with the files
    # chosen in a file manager, showing the installed icon.
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
    grep -qx 'Exec=sorabun %F' "$desktop" || fail "menu entry does not start 'sorabun %F'"
    grep -qx 'Icon=sorabun' "$desktop" || fail "menu entry does not name the icon sorabun"
    grep -qx 'MimeType=text/plain;' "$desktop" || fail "menu entry does not offer itself for text/plain"
    grep -qx 'Categories=Utility;TextEditor;' "$desktop" || fail "menu entry categories"
    grep -q '^Name\[ja\]=' "$desktop" || fail "menu entry has no Japanese name"

    # The software-centre entry: valid offline, named like the menu entry
    # and pointing at it, under the MIT licence. Its id is the menu entry's
    # (sorabun): the project owns no domain to build a reverse-DNS id from,
    # which is the one warning let pass.
    local accept=(--override=cid-desktopapp-is-not-rdns=info)
    appstreamcli validate --no-net "${accept[@]}" "$metainfo" || fail "appstreamcli rejects $metainfo"
    appstreamcli validate-tree --no-net "${accept[@]}" "$root" ||
        fail "appstreamcli rejects the installed tree"
    grep -q '<id>sorabun</id>' "$metainfo" || fail "software-centre entry id is not sorabun"
    grep -q '<launchable type="desktop-id">sorabun.desktop</launchable>' "$metainfo" ||
        fail "software-centre entry does not launch sorabun.desktop"
    grep -q '<binary>sorabun</binary>' "$metainfo" || fail "software-centre entry does not provide the binary"
    grep -q '<project_license>MIT</project_license>' "$metainfo" ||
        fail "software-centre entry does not name the MIT licence"
    if grep -n 'example\.' "$metainfo" "$desktop"; then fail "placeholder address in the desktop files"; fi

    # The manual page: renders without a single warning, in English with the
    # menus named as the program shows them.
    local rendered
    if ! rendered=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$manual" 2>"$work/man.err"); then
        fail "man cannot render $manual"
    fi
    if [ -s "$work/man.err" ]; then fail "man warns about $manual: $(cat "$work/man.err")"; fi
    local section
    for section in NAME SYNOPSIS DESCRIPTION 'EXIT STATUS' ENVIRONMENT FILES \
        'アンイストールの準備' 'コマンドランオプション' 'store.sqlite' 'XDG_CONFIG_HOME'; do
        grep -q "$section" <<<"$rendered" || fail "manual page lacks '$section'"
    done

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
    # The package is built the Debian way from a copy of the sources (what
    # git tracks, and new files it does not ignore), so nothing lands in the
    # working tree or beside it.
    mkdir -p "$work/src"
    if git -C "$source_dir" rev-parse --git-dir >/dev/null 2>&1; then
        (cd "$source_dir" && git ls-files -z --cached --others --exclude-standard |
            while IFS= read -r -d '' f; do if [ -e "$f" ]; then printf '%s\0' "$f"; fi; done |
            tar --null -T - -cf -) | tar -xf - -C "$work/src"
    else
        tar -C "$source_dir" --exclude='./build*' --exclude='./obj-*' -cf - . | tar -xf - -C "$work/src"
    fi
    # A clean build machine has only what Build-Depends names: every
    # library the build links, as install-deps lists it, must be there.
    for dev in $(grep -oE '\b(lib[a-z0-9.+-]+-dev|qt6-base-dev)\b' "$source_dir/scripts/install-deps" |
        grep -v '^libclang'); do
        grep -qE "^[[:space:]]*(Build-Depends:)?[[:space:]]*$dev\b" "$source_dir/debian/control" ||
            fail "debian/control: Build-Depends lacks $dev, which scripts/install-deps installs"
    done
    if ! (cd "$work/src" && DEB_BUILD_OPTIONS=${DEB_BUILD_OPTIONS:-parallel=2} \
        dpkg-buildpackage -us -uc -b >"$work/build.log" 2>&1); then
        tail -n 60 "$work/build.log" >&2
        fail "dpkg-buildpackage -us -uc -b failed (the packages of scripts/install-deps installed?)"
    fi
    deb=$(find "$work" -maxdepth 1 -name 'sorabun_*.deb' | head -n 1)
    if [ -z "$deb" ]; then
        fail "dpkg-buildpackage made no .deb"
    else
        dpkg-deb -x "$deb" "$work/root"
        check_tree "$work/root/usr"
        depends=$(dpkg-deb -f "$deb" Depends)
        for lib in libqt6widgets6 libqt6gui6 libqt6core6 libqt6printsupport6 libsqlite3-0 libc6; do
            grep -q "$lib" <<<"$depends" || fail "package does not depend on $lib (Depends: $depends)"
        done
        # Runs as an X11 program in a Wayland session: the toolkit's Wayland
        # plugin is neither needed nor asked for.
        if grep -qi wayland <<<"$(dpkg-deb -f "$deb" Depends Recommends)"; then
            fail "package asks for Wayland packages: $(dpkg-deb -f "$deb" Depends Recommends)"
        fi
        recommends=$(dpkg-deb -f "$deb" Recommends)
        for p in qt6-translations-l10n fonts-ipafont-gothic xdg-utils; do
            grep -q "$p" <<<"$recommends" || fail "package does not recommend $p (Recommends: $recommends)"
        done
        [ "$(dpkg-deb -f "$deb" Suggests)" = "ibus-mozc | fcitx5-mozc, fcitx5-frontend-qt6" ] ||
            fail "package suggests '$(dpkg-deb -f "$deb" Suggests)'"
        [ "$(dpkg-deb -f "$deb" Package)" = sorabun ] || fail "package is not named sorabun"
        [ "$(dpkg-deb -f "$deb" Version)" = 0.24 ] || fail "package version is not 0.24"
        grep -q '^License: Expat' "$work/root/usr/share/doc/sorabun/copyright" 2>/dev/null ||
            fail "package has no copyright file under the MIT (Expat) licence"

        # No error and no warning; the info tags left are listed.
        echo "lintian --pedantic -I $(basename "$deb"):"
        lintian_status=0
        lintian --pedantic -I --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || lintian_status=$?
        grep -v 'running with root privileges' "$work/lintian.log" || true
        if [ "$lintian_status" -ne 0 ] || grep -q '^[EW]:' "$work/lintian.log"; then
            fail "lintian reports an error or a warning"
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
