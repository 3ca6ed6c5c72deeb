#!/usr/bin/env bash
# Sets up a Debian 12 machine for Palavo XP, builds it, and then either starts the
# program (`run`) or runs the whole test suite (`test`).
#
#   tools/setup.sh run     install what is missing, build, start Palavo XP
#   tools/setup.sh test    install what is missing, build, run every test
#
# Packages are installed with apt-get, as root or through sudo. The build goes to
# ./build; a second run only rebuilds what changed.
set -euo pipefail

mode=${1:-}
case "$mode" in
  run|test) ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev          # the fuzz targets: libFuzzer with ASan and UBSan
  xvfb xauth fonts-noto-cjk         # a virtual display, and glyphs for the Japanese texts
  dbus dunst xdotool                # notifications: a session bus, a server to show them, a click
  trayer                            # a tray on that display, for the tray icon's check
  openbox                           # one copy per home: a window minimised, raised and read back
  iproute2 nftables                 # the end-to-end tests: a virtual LAN, with loss
  liblinphone-dev                   # voice and video calls (the library and its media engine)
  linphone-common                   # the ring the call window plays
  libgl1-mesa-dri                   # OpenGL for the video window, also under Xvfb
  libgles-dev                       # the video display dlopens "libGLESv2.so", a name only this package installs
  libsqlite3-dev                    # the conversation history
  dpkg-dev lintian appstream        # the Debian package's test: dpkg-shlibdeps, lintian, AppStream validation
)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# Japanese is typed through the desktop's input method. Qt talks to IBus as installed;
# a desktop that uses Fcitx 5 needs its Qt 6 module, or the chat window gets no input
# method at all.
if installed fcitx5; then
  packages+=(fcitx5-frontend-qt6)
fi

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing missing packages: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"

if [ "$mode" = run ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Palavo XP under a virtual X server (xvfb-run)."
    exec xvfb-run -a build/bin/PalavoXP
  fi
  exec build/bin/PalavoXP
fi

ctest --test-dir build --output-on-failure -j"$(nproc)"
