#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, test and run the demo.
# Idempotent: only missing packages are installed; nothing is downloaded any other way.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcairo2-dev fonts-ipafont-gothic
  libcli11-dev nlohmann-json3-dev
  # SVG documents: the XML parser, an SVG grammar library (paths, transforms, colours,
  # lengths; header-only over Boost), zlib for .svgz, libjpeg for embedded JPEG images.
  libxml2-dev libsvgpp-dev libboost-dev zlib1g-dev libjpeg-dev
  # Real artwork for the SVG corpus check, and the reference drawing it is compared with.
  bootstrap-icons iso-flags-svg librsvg2-bin
  # velm-host gui: an SDL2 window; its tests run in a virtual X server driven by xdotool.
  libsdl2-dev xvfb xdotool
  clang libclang-rt-14-dev clang-format
  # Windows: the 32-bit module (win32 thread model), the 64-bit tests (posix thread model,
  # for GoogleTest, built from its Debian sources) run under wine64.
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64 googletest wine64
  # The stand-in host built as a wine program, to load the 64-bit Windows module through
  # the Windows loader: wine's compiler driver and its headers and import libraries.
  wine64-tools libwine-dev
  # The plug-in's core as 32-bit code: the multilib compilers and qemu-i386.
  g++-multilib qemu-user
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
