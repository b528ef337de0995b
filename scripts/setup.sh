# Shared set-up of scripts/run and scripts/test: installs the Debian packages
# that are missing, then configures and builds. Sourced, not run.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${KIEBITZ_BUILD_DIR:-$ROOT/build}"

PACKAGES=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-multimedia-dev libgl-dev
    libxcb1-dev
    libgtest-dev libgmock-dev libbenchmark-dev strace
    fonts-liberation
    xvfb xauth openbox wmctrl x11-utils
    dbus-daemon systemd at-spi2-core chromium firefox-esr
    clang libclang-rt-dev clang-format clang-tidy
    qt6-translations-l10n librsvg2-bin dpkg-dev desktop-file-utils appstream python3
    sway foot xwayland qt6-wayland libwayland-dev wayland-protocols libwlroots-examples kwin-wayland
)

step() { printf '\n==> %s\n' "$*"; }

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        step "All Debian packages present"
        return
    fi
    step "Installing Debian packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {
    step "Configuring in $BUILD_DIR"
    cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIEBITZ_WERROR=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON "$@"
    step "Building"
    cmake --build "$BUILD_DIR" -j"$(nproc)"
}
