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

# What every build and its tests need; lupdate checks that every translated text can be found,
# desktop-file-validate the desktop entry.
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev qt6-svg-dev
    libgl-dev qt6-l10n-tools desktop-file-utils)
# CXX=clang++ builds with clang, which then has to be there too.
case "${CXX:-}" in
clang*) BUILD_PACKAGES+=(clang) ;;
esac

# What the demo needs without a display: a virtual X server and a screenshot tool (import).
DEMO_PACKAGES=(xvfb imagemagick)

# The build folder: BUILD_DIR when set, otherwise build-clang for a clang build and build/ for
# the default compiler, so the two never share a cache.
if [ -z "${BUILD_DIR:-}" ]; then
    case "${CXX:-}" in
    clang*) BUILD_DIR=build-clang ;;
    *) BUILD_DIR=build ;;
    esac
fi

# Configures $BUILD_DIR and builds the given targets; warnings are errors under CI.
build_targets() {
    local options=()
    [ -n "${CI:-}" ] && options+=(-DQMX_WARNINGS_AS_ERRORS=ON)
    command -v ccache >/dev/null && options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}"
    cmake --build "$BUILD_DIR" -j"$(nproc)" --target "$@"
}

# Configures and builds everything in $BUILD_DIR.
build_project() {
    build_targets all
}
