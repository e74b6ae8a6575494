#!/usr/bin/env bash
# Sets up a Debian 12 machine for Vexamo Stakor, builds it, and runs it.
#
#   ./build.sh run        install what is missing, build the game alone, start it
#   ./build.sh test       install what is missing, build everything, run every test
#   ./build.sh sanitize   the tests again, built with AddressSanitizer and
#                         UndefinedBehaviorSanitizer (in build-sanitize/)
#   ./build.sh package    install the build dependencies, build the Debian
#                         package (unit tests included) beside this checkout,
#                         and check it with lintian
#
# STAKOR_WERROR=ON turns compiler warnings into errors (CI sets it).
set -euo pipefail
cd "$(dirname "$0")"

packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libjpeg62-turbo-dev fonts-dejavu-core
    xdg-utils qt6-translations-l10n
    libgtest-dev libbenchmark-dev libxcb1-dev libqt6svg6
    libsdl2-dev libfluidsynth-dev libasound2-dev timgm6mb-soundfont
    qt6-wayland
)
# Only the tests need these: the window's run under a real X server and under
# a real Wayland compositor (sway, headless, driven through wayvnc), the sound
# through a real sound server, and the checks of the installed files.
test_packages=(xvfb xauth xdotool openbox x11-utils sway wayvnc grim jq pulseaudio pulseaudio-utils
    appstream desktop-file-utils groff-base)

as_root() {
    if [ "$(id -u)" -ne 0 ]; then sudo "$@"; else "$@"; fi
}

install_missing() {
    local missing=() package
    for package in "${packages[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep 'install ok installed' >/dev/null ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return
    echo "Installing: ${missing[*]}"
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

# What debian/control asks for, plus the package tools and lintian.
install_build_dependencies() {
    if command -v dpkg-checkbuilddeps >/dev/null && command -v lintian >/dev/null &&
        dpkg-checkbuilddeps 2>/dev/null; then
        return
    fi
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
        build-essential dpkg-dev lintian
    as_root env DEBIAN_FRONTEND=noninteractive apt-get build-dep -y --no-install-recommends ./
}

configure() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DSTAKOR_WERROR="${STAKOR_WERROR:-OFF}" "$@"
}

build() {
    configure "$@"
    cmake --build "$1"
}

run_tests() {
    local dir=$1
    ctest --test-dir "$dir" --output-on-failure --timeout 600 -j "$(nproc)"
}

case "${1:-}" in
run)
    install_missing
    # The game and its data folders only; the test command builds the rest.
    configure build
    cmake --build build --target stakor stakor_data
    exec ./build/stakor
    ;;
test)
    install_missing "${test_packages[@]}"
    build build
    run_tests build
    ;;
sanitize)
    install_missing "${test_packages[@]}"
    build build-sanitize -DSTAKOR_SANITIZE=ON -DSTAKOR_BUILD_BENCH=OFF
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_tests build-sanitize
    ;;
package)
    install_build_dependencies
    version=$(dpkg-parsechangelog -S Version)
    architecture=$(dpkg-architecture -q DEB_HOST_ARCH)
    dpkg-buildpackage -b -us -uc -J"$(nproc)" --post-clean
    changes=../vexamo-stakor_${version}_${architecture}.changes
    # Errors and warnings fail the command; the informational tags are shown.
    lintian --display-info --fail-on error,warning "$changes"
    echo "Built: $(cd .. && pwd)/vexamo-stakor_${version}_${architecture}.deb"
    ;;
*)
    sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
