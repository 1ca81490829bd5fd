#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What a person gets from `cmake --install` and from `cpack -G DEB`.
# usage: install_test.sh prefix|package   (BUILD: the build folder; VERSION: the project's version)
set -euo pipefail
: "${BUILD:?the build folder}" "${VERSION:?the project version}"
WORK=$(mktemp -d /tmp/kvq-install.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

case "$1" in
prefix)
    cmake --install "$BUILD" --prefix "$WORK/p" >/dev/null
    for file in bin/kvqplay bin/kvq share/man/man1/kvqplay.1 share/man/man1/kvq.1 share/kvqplay/demo/test \
        share/kvqplay/demo/quorva2.kvq share/kvqplay/demo/quorva.mp3 share/kvqplay/Lat15-VGA16.font \
        share/applications/kvq-play.desktop share/mime/packages/kvqplay.xml; do
        [ -s "$WORK/p/$file" ] || fail "$file is not installed"
    done
    [ "$("$WORK/p/bin/kvq" --version)" = "kvq $VERSION" ] || fail "kvq --version says '$("$WORK/p/bin/kvq" --version)'"
    grep -q "kvqplay $VERSION" "$WORK/p/share/man/man1/kvq.1" || fail "kvq.1 does not carry the version"
    # Each man page has a section for every command kvq lists.
    for command in $("$WORK/p/bin/kvq" --help | sed -n 's/^  \([a-z]\+\) .*/\1/p' | grep -v help); do
        grep -q "^\.SS $command" "$WORK/p/share/man/man1/kvq.1" || fail "kvq.1 has no section for $command"
    done
    # The installed kvq takes its default font from beside itself, not from another package.
    printf '\xff%.0s' $(seq 8192) >"$WORK/p/share/kvqplay/Lat15-VGA16.font"
    mkdir "$WORK/pictures"
    "$WORK/p/bin/kvq" demo -o "$WORK/frames.kvq" >/dev/null
    "$WORK/p/bin/kvq" render "$WORK/frames.kvq" --font "$WORK/p/share/kvqplay/demo/test" --frame 0 -o "$WORK/pictures/0.png"
    "$WORK/p/bin/kvq" encode "$WORK/pictures" -o "$WORK/encoded" >/dev/null
    cmp -s "$WORK/encoded/test" "$WORK/p/share/kvqplay/Lat15-VGA16.font" || fail "encode did not use the installed font"
    ;;
package)
    (cd "$WORK" && cpack -G DEB -B "$WORK" --config "$BUILD/CPackConfig.cmake" >/dev/null 2>&1)
    deb=$(ls "$WORK"/kvqplay_"$VERSION"_*.deb) || { fail "no kvqplay_${VERSION}_<arch>.deb"; exit 1; }
    depends=$(dpkg-deb -f "$deb" Depends)
    for package in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libpng16-16 zlib1g; do
        [[ $depends == *"$package "* || $depends == *"$package," ]] || fail "Depends lacks $package: $depends"
    done
    [ "$(dpkg-deb -f "$deb" Recommends)" = ffmpeg ] || fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"
    [ "$(dpkg-deb -f "$deb" Version)" = "$VERSION" ] || fail "Version: $(dpkg-deb -f "$deb" Version)"
    dpkg-deb -c "$deb" >"$WORK/contents"
    grep -q '\./usr/share/kvqplay/demo/quorva2.kvq$' "$WORK/contents" || fail "the package lacks the demo"
    ;;
esac
[ "$failures" -eq 0 ] && echo "all checks passed" || exit 1
