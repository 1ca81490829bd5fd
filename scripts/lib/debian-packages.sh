# SPDX-License-Identifier: MIT
# Sourced by the set-up scripts: installs the Debian packages named, or, without root, says the
# one command that would. Returns 1 when packages are missing and cannot be installed here.
install_debian_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing from Debian's archive: ${missing[*]}"
        apt-get update
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
        return 0
    fi
    local install="apt-get update && apt-get install --no-install-recommends ${missing[*]}"
    echo "Some packages are missing. Install them as root with:"
    if command -v sudo >/dev/null; then
        echo "  sudo sh -c '$install'"
    else
        echo "  su -c '$install'"
    fi
    return 1
}
