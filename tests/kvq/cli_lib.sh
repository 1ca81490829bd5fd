# SPDX-License-Identifier: MIT
# Shared by the shell tests of kvq: sourced after `set -euo pipefail` with CASE and KVQ as $1, $2.
# Each test runs in a scratch folder of its own, removed at exit.
case_name=$1
kvq=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/kvq-cli-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() {
    echo "FAIL ($case_name): $*" >&2
    exit 1
}

# Runs kvq, keeping its status, standard output and standard error in $status, out and err.
run() {
    status=0
    "$kvq" "$@" >out 2>err || status=$?
}

expect_status() {
    [[ $status -eq $1 ]] || fail "status $status, wanted $1, for: $(cat err)"
}

expect_in() {
    grep -qF -- "$2" "$1" || fail "'$2' missing from $1: $(cat "$1")"
}

expect_one_line_error() {
    [[ $(wc -l <err) -eq 1 ]] || fail "standard error is not one line: $(cat err)"
}

# The files of the folder other than the run's own out and err.
files() {
    ls -A | grep -vxE 'out|err' || true
}

# A PSF1 font of 256 8x16 glyphs whose glyph g has every row equal to g.
make_psf1() {
    printf '\x36\x04\x00\x10'
    local hex
    for ((g = 0; g < 256; g++)); do
        printf -v hex %02x "$g"
        printf "\\x$hex%.0s" {1..16}
    done
}

