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
    for file in bin/kvqplay bin/kvq share/man/man1/kvqplay.1.gz share/man/man1/kvq.1.gz share/kvqplay/demo/test \
        share/kvqplay/demo/quorva2.kvq share/kvqplay/demo/quorva.mp3 share/kvqplay/Lat15-VGA16.font \
        share/applications/kvq-play.desktop share/mime/packages/kvqplay.xml share/doc/kvqplay/copyright \
        share/doc/kvqplay/changelog.gz; do
        [ -s "$WORK/p/$file" ] || fail "$file is not installed"
    done
    [ "$("$WORK/p/bin/kvq" --version)" = "kvq $VERSION" ] || fail "kvq --version says '$("$WORK/p/bin/kvq" --version)'"
    page=$(gzip -dc "$WORK/p/share/man/man1/kvq.1.gz")
    grep -q "kvqplay $VERSION" <<<"$page" || fail "kvq.1 does not carry the version"
    # The pages name the folders they were installed under, not a placeholder.
    grep -q "^\.I $WORK/p/share/kvqplay/Lat15-VGA16.font$" <<<"$page" || fail "kvq.1's FILES do not name $WORK/p/share/kvqplay"
    gzip -dc "$WORK/p/share/man/man1/kvqplay.1.gz" | grep -q "cd $WORK/p/share/kvqplay/demo " ||
        fail "kvqplay.1 does not name $WORK/p/share/kvqplay/demo"
    ! grep -q "@\|PREFIX" <<<"$page" || fail "kvq.1 keeps a placeholder: $(grep "@\|PREFIX" <<<"$page")"
    # The package's changelog speaks of this version.
    head=$(gzip -dc "$WORK/p/share/doc/kvqplay/changelog.gz" | head -1)
    [[ $head == "kvqplay ($VERSION) "* ]] || fail "changelog.gz begins '$head', not version $VERSION"
    # Each man page has a section for every command kvq lists.
    for command in $("$WORK/p/bin/kvq" --help | sed -n 's/^  \([a-z]\+\) .*/\1/p' | grep -v help); do
        grep -q "^\.SS $command" <<<"$page" || fail "kvq.1 has no section for $command"
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
    # cpack's own words, and lintian's, are shown when the package cannot be made or passed.
    if ! (cd "$WORK" && cpack -G DEB -B "$WORK" --config "$BUILD/CPackConfig.cmake") >"$WORK/cpack.log" 2>&1; then
        cat "$WORK/cpack.log" >&2
        fail "cpack -G DEB failed"
        exit 1
    fi
    deb=$(ls "$WORK"/kvqplay_"$VERSION"_*.deb) || { cat "$WORK/cpack.log" >&2; fail "no kvqplay_${VERSION}_<arch>.deb"; exit 1; }
    depends=$(dpkg-deb -f "$deb" Depends)
    for package in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libpng16-16 zlib1g; do
        [[ $depends == *"$package "* || $depends == *"$package," ]] || fail "Depends lacks $package: $depends"
    done
    [ "$(dpkg-deb -f "$deb" Recommends)" = "ffmpeg, console-setup-linux" ] || fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"
    [ "$(dpkg-deb -f "$deb" Version)" = "$VERSION" ] || fail "Version: $(dpkg-deb -f "$deb" Version)"
    dpkg-deb -c "$deb" >"$WORK/contents"
    for file in usr/share/kvqplay/demo/quorva2.kvq usr/share/man/man1/kvq.1.gz usr/share/doc/kvqplay/copyright \
        usr/share/doc/kvqplay/changelog.gz; do
        grep -q "\./$file\$" "$WORK/contents" || fail "the package lacks /$file"
    done
    # The installed binaries are the hardened, stripped ones.
    mkdir "$WORK/unpacked" && dpkg-deb -x "$deb" "$WORK/unpacked"
    for binary in kvqplay kvq; do
        file "$WORK/unpacked/usr/bin/$binary" | grep -q "pie executable.*, stripped" ||
            fail "/usr/bin/$binary is not a stripped PIE: $(file "$WORK/unpacked/usr/bin/$binary")"
    done
    if command -v lintian >/dev/null; then
        # Errors and warnings fail; notes and overrides do not.
        status=0
        lintian --no-cfg "$deb" >"$WORK/lintian.log" 2>&1 || status=$?
        if [ "$status" -gt 1 ] || grep -q '^[EW]: ' "$WORK/lintian.log"; then
            cat "$WORK/lintian.log" >&2
            fail "lintian finds errors or warnings"
        fi
    else
        echo "lintian is not installed: the package is not checked against Debian's policy"
    fi
    ;;
esac
[ "$failures" -eq 0 ] && echo "all checks passed" || exit 1
