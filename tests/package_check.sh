#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks it as a Debian user and packager
# meet it: its control data and dependencies, lintian, the metadata validators, the manual
# pages, and the programs started from the extracted package (the packaged program under a
# virtual X server, with its toolbar icons drawn).
#   package_check.sh BUILD_DIR PROBE APP_ID VERSION PROGRAM...
set -euo pipefail
build=$1 probe=$2 app_id=$3 version=$4
shift 4
programs=("$@")
work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$build/package"
(cd "$build" && cpack >"$work/cpack.log") || fail "cpack: $(cat "$work/cpack.log")"
deb="$build/package/qmx7700_${version}-1_amd64.deb"
[ -f "$deb" ] || fail "no $deb"

# What apt reads. Nothing in the programs names Qt's SVG plug-ins or its translations.
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
for needed in libqt6svg6 qt6-translations-l10n libqt6widgets6 libqt6serialport6 libc6; do
    [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed"
done

lintian --fail-on error,warning --display-info "$deb" >"$work/lintian" 2>&1 ||
    fail "lintian: $(cat "$work/lintian")"
grep -v 'running with root privileges' "$work/lintian" || true

tree="$work/tree"
dpkg-deb -x "$deb" "$tree"
appstreamcli validate --no-net --pedantic "$tree/usr/share/metainfo/$app_id.metainfo.xml"
desktop-file-validate "$tree/usr/share/applications/$app_id.desktop" || fail "desktop entry"

# The version is the same everywhere a user reads it.
zcat "$tree/usr/share/doc/qmx7700/changelog.Debian.gz" | head -n1 | grep -qF "(${version}-1)" ||
    fail "the changelog's latest entry is not ${version}-1"
grep -qF "<release version=\"$version\"" "$tree/usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "the metadata has no release $version"
[ "$("$tree/usr/bin/qmx7700" --version)" = "qmx7700 $version" ] || fail "qmx7700 --version"

# Each program is stripped, named in the metadata, and has a manual page that says what its
# --help says.
for program in "${programs[@]}"; do
    grep -qF "<binary>$program</binary>" "$tree/usr/share/metainfo/$app_id.metainfo.xml" ||
        fail "the metadata does not name $program"
    binary="$tree/usr/bin/$program" page="$tree/usr/share/man/man1/$program.1.gz"
    file -L "$binary" | grep -q ', stripped' || fail "$program is not stripped"
    lexgrog "$page" >/dev/null || fail "$program.1: no NAME section"
    man --warnings -l "$page" 2>&1 >/dev/null | (! grep .) || fail "$program.1: groff warns"
    source="$(zcat "$page" | sed 's/\\-/-/g')"
    for option in $("$binary" --help | grep -oE -- '--[a-z][a-z-]+' | sort -u); do
        grep -qF -- "$option" <<<"$source" || fail "$program.1 does not describe $option"
    done
done

# A program placed as the packaged one finds the packaged help and draws its icons.
cp "$probe" "$tree/usr/bin/"
found="$(XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen "$tree/usr/bin/$(basename "$probe")")" ||
    fail "probe: $found"
[ "$found" = "$tree/usr/share/qmx7700/QMX-7700.html"$'\n'"icon drawn" ] || fail "probe: $found"

# The packaged program on a display, its settings apart, its port on nothing: the strip of
# menu bar and toolbar at its top holds colour only where the toolbar icons are drawn.
mkdir -p "$work/config/QMX-7700" "$work/runtime"
chmod 700 "$work/runtime"
printf '[Ports]\nCom1=%s\n[Settings]\nComPort=1\n' "$work/no-device" \
    >"$work/config/QMX-7700/QMX-7700.conf"
Xvfb -displayfd 3 -screen 0 640x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
    QT_LOGGING_RULES="qmx.startup.info=true" "$tree/usr/bin/qmx7700" 2>"$work/app.log" &
pids+=($!)
for _ in $(seq 300); do grep -q 'start-up done' "$work/app.log" && break; sleep 0.1; done
grep -q 'start-up done' "$work/app.log" || fail "the packaged program: $(cat "$work/app.log")"
import -window root "$work/screen.png"
# The window opens at 1000 twips (67 pixels at 96 DPI) from the top left corner.
saturation="$(convert "$work/screen.png" -crop 340x56+67+67 -colorspace HSL -channel G \
    -separate -format '%[fx:maxima]' info:)"
echo "toolbar colour saturation: $saturation"
awk "BEGIN { exit !($saturation > 0.5) }" || fail "no toolbar icons drawn"
echo "package checked: $deb"
