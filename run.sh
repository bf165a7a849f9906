#!/usr/bin/env bash
# ./run.sh demo : build, start the unit simulator and Kaymor connected to it
# ./run.sh test : build and run every test
# ./run.sh build: build only
# ./run.sh package: build the Debian package (build/kaymor_*.deb)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${KAYMOR_BUILD_DIR:-$here/build}"

packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-serialport-dev
          qt6-multimedia-dev libgl-dev iproute2 xvfb xfonts-base xauth xdotool x11-xkb-utils
          fonts-dejavu-core desktop-file-utils appstream libxtst-dev)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

build_all() {
  install_missing
  # A compiler cache, where one is installed, makes rebuilds in other work trees cheap.
  local launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
  cmake --build "$build" -j "$(nproc)"
}

case "${1:-}" in
  build) build_all ;;
  test)
    build_all
    cd "$build"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j 2
    ;;
  package)
    # dpkg-shlibdeps computes the package's dependencies.
    packages+=(dpkg-dev)
    # Under /usr the libraries go to the multiarch library folder.
    build_all -DCMAKE_INSTALL_PREFIX=/usr
    cd "$build"
    rm -f kaymor_*.deb
    cpack -G DEB
    ls "$build"/kaymor_*.deb
    ;;
  demo)
    build_all
    exec "$here/tools/demo.sh" "$build/bin" "${@:2}"
    ;;
  *)
    echo "usage: $0 demo|test|build|package" >&2
    exit 2
    ;;
esac
