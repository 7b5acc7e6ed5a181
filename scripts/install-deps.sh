#!/usr/bin/env bash
# Installs every Debian package that building, running and testing need, and only those that are missing.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev libxkbcommon-dev
  libjpeg62-turbo-dev libpng-dev
  # animated WebP (encoder and mux) and VP9 video, both BSD-licensed; the WebM container is written here
  libwebp-dev libvpx-dev
  libx11-dev libx11-xcb-dev libxcb1-dev libxcb-shm0-dev libxcb-sync-dev libxrandr-dev libxdamage-dev libxfixes-dev
  fonts-dejavu-core fonts-dejavu-extra
  # tests and benchmarks: a real X server, real input, screenshots, and decoders nobody here wrote
  xvfb xauth xdotool x11-utils x11-apps imagemagick libgif-dev libjpeg-turbo-progs procps python3
  webp ffmpeg
  # the accessibility bus and a screen reader's view of it
  at-spi2-core dbus python3-pyatspi
  # the idle service's tests: fakes of logind and UPower on a private bus
  python3-dbusmock
  # profiling the benchmarks
  linux-perf valgrind
  # the desktop: the real screen-saver daemon as host, and checks of what the package installs
  xscreensaver xscreensaver-data libxml2-utils desktop-file-utils dpkg-dev util-linux
  # Wayland: the client library and protocol generator, Qt's Wayland platform, and a headless compositor
  # with screenshots and input for the end-to-end tests
  libwayland-dev wayland-protocols qt6-wayland sway grim swayidle wtype
  # the other desktops the tests run on: KDE's and GNOME's compositors (screenshots through D-Bus and
  # PipeWire, input through their own protocols), MATE's screen saver, and the software-centre metadata checker
  kwin-wayland plasma-wayland-protocols mutter mate-screensaver libglib2.0-bin python3-gi gir1.2-glib-2.0
  pipewire pipewire-bin gstreamer1.0-pipewire gstreamer1.0-tools gstreamer1.0-plugins-good appstream
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
# Another install running at the same time holds dpkg's lock; wait for it rather than fail.
$sudo apt-get -o DPkg::Lock::Timeout=600 update -q
$sudo apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
