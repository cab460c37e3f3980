# Shared by the scripts: install the Debian packages that are missing.
# shellcheck shell=bash

ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# What every build needs.
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev qt6-svg-dev libgl-dev)

# What the demo needs without a display: a virtual X server and a screenshot tool (import).
DEMO_PACKAGES=(xvfb imagemagick)

# Configures build/ and builds the given targets; warnings are errors under CI.
build_targets() {
    local options=()
    [ -n "${CI:-}" ] && options+=(-DQMX_WARNINGS_AS_ERRORS=ON)
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}"
    cmake --build build -j"$(nproc)" --target "$@"
}

# Configures and builds everything in build/.
build_project() {
    build_targets all
}
