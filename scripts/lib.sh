# Shared by the scripts: install the Debian packages that are missing, configure and build.
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

# What every build needs; Qt's own translations put its dialogs in the user's language; python3
# runs the tests that read the run record and talk to the control server as a lab's script would.
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev qt6-svg-dev
    libgl-dev qt6-translations-l10n python3)
# CXX=clang++ builds with clang, which then has to be there too.
case "${CXX:-}" in
clang*) BUILD_PACKAGES+=(clang) ;;
esac
# What ./scripts/package needs beyond the build: CPack's dependency list (file, dpkg-shlibdeps)
# and the checks of the package and its metadata.
PACKAGE_PACKAGES=(file dpkg-dev lintian appstream desktop-file-utils)
# What the tests need beyond the build: socat bridges the simulator over TCP and is a client of
# the control server, as pyvisa (pyvisa-py, its pure-Python backend) is; the package test checks
# the package as ./scripts/package does, reads its manual pages and starts its program on a
# virtual X server.
TEST_PACKAGES=(socat python3-pyvisa python3-pyvisa-py "${PACKAGE_PACKAGES[@]}" man-db xvfb
    imagemagick)
# The sanitized build: clang, its sanitizer runtimes (only recommended by clang, so not there
# after a minimal install) and the symbolizer that puts file names and lines into the reports.
SANITIZE_PACKAGES=(clang libclang-rt-14-dev llvm)

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

# build_targets DIR TARGET... [-- CMAKE ARGS...]: configures DIR and builds the targets;
# warnings are errors under CI.
build_targets() {
    local dir=$1
    shift
    local targets=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do
        targets+=("$1")
        shift
    done
    [ $# -gt 0 ] && shift
    local werror=OFF
    [ -n "${CI:-}" ] && werror=ON
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQMX_WARNINGS_AS_ERRORS="$werror" "${launcher[@]}" "$@"
    cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"
}

# build_project DIR [CMAKE ARGS...]: configures and builds everything in DIR.
build_project() {
    local dir=$1
    shift
    build_targets "$dir" all -- "$@"
}

# How the sanitized programs report: every leak (but the few of tests/lsan-qt.supp, which are
# not ours), every undefined behaviour, with stacks.
sanitizer_environment() {
    export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan-qt.supp:print_suppressions=0"
}
