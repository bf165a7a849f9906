#!/usr/bin/env bash
# ./run.sh demo : build, start the unit simulator and Kaymor connected to it
# ./run.sh test : build and run every test
# ./run.sh build: build only
# ./run.sh package: build the Debian source and binary packages into build/debs,
#                   check them with lintian and install them into a scratch root
# ./run.sh docs : the libraries' API documentation (build/docs/html)
# ./run.sh sanitize: build with ASan+LSan+UBSan into build-asan and run every test
# ./run.sh fuzz [SECONDS]: build the fuzz targets into build-fuzz, run each SECONDS (60)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${KAYMOR_BUILD_DIR:-$here/build}"

packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-serialport-dev
          qt6-multimedia-dev libgl-dev iproute2 xvfb xfonts-base xauth xdotool x11-xkb-utils
          fonts-dejavu-core desktop-file-utils appstream libxtst-dev qt6-tools-dev pkg-config make
          strace python3 weston qt6-wayland)

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

# The sanitizer build: clang with AddressSanitizer (LeakSanitizer included)
# and UndefinedBehaviorSanitizer, in a build folder of its own. Leaks inside
# Qt and system libraries are suppressed by tools/sanitize/lsan.supp only.
sanitize_all() {
  packages+=(clang libclang-rt-14-dev llvm)
  install_missing
  local sbuild="${KAYMOR_ASAN_BUILD_DIR:-$here/build-asan}"
  local launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  local flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
  cmake -S "$here" -B "$sbuild" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS_DEBUG="-O0 -gline-tables-only" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" "${launcher[@]}" >/dev/null
  cmake --build "$sbuild" -j "$(nproc)"
  cd "$sbuild"
  local supp="$here/tools/sanitize"
  # intercept_strndup=0: libxkbcommon-x11 (Debian 12), which Qt's X11 platform
  # plugin calls at start-up, copies X atom names with strndup() from reply
  # buffers that hold no terminating NUL; the checked strndup() reports that
  # read inside the system library on every X11 start. No code of ours calls
  # strndup(), and every other check stays on.
  ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=0:intercept_strndup=0" \
  LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$supp/ubsan.supp" \
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j 2 --timeout 900
}

# The fuzz targets of fuzz/: clang with libFuzzer, ASan and UBSan. Each runs
# for the given seconds on a working copy of its committed corpus; a crash,
# leak or time-out fails the run and leaves its input in build-fuzz/findings.
fuzz_all() {
  local seconds="${1:-60}"
  [[ "$seconds" =~ ^[0-9]+$ ]] || { echo "fuzz: SECONDS must be a number" >&2; exit 2; }
  packages+=(clang libclang-rt-14-dev llvm)
  install_missing
  local fbuild="${KAYMOR_FUZZ_BUILD_DIR:-$here/build-fuzz}"
  local launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$here/fuzz" -B "$fbuild" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS_RELEASE="-O1 -gline-tables-only" "${launcher[@]}" >/dev/null
  cmake --build "$fbuild" -j "$(nproc)"
  local failed=0 name target out log
  mkdir -p "$fbuild/findings"
  for target in "$fbuild"/fuzzbin/fuzz_*; do
    name="$(basename "$target")"
    out="$fbuild/corpus/$name"
    log="$fbuild/$name.log"
    mkdir -p "$out"
    local status=0
    ASAN_OPTIONS="detect_leaks=1" LSAN_OPTIONS="suppressions=$here/tools/sanitize/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
      "$target" -max_total_time="$seconds" -timeout=10 -max_len=8192 -print_final_stats=1 \
      -artifact_prefix="$fbuild/findings/$name-" "$out" "$here/fuzz/corpus/$name" >"$log" 2>&1 || status=$?
    local execs
    execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    if [ "$status" -eq 0 ]; then
      echo "$name: ${execs:-0} execs"
    else
      failed=1
      local found
      found="$(grep -m1 -oE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer|UndefinedBehaviorSanitizer)[^(]*|runtime error: .*|check failed: .*' "$log" || true)"
      echo "$name: ${execs:-?} execs, FOUND: ${found:-exit status $status} (input: $(ls -t "$fbuild/findings/$name-"* 2>/dev/null | head -1); log: $log)"
    fi
  done
  return "$failed"
}

# The Debian packages of debian/, built with dpkg-buildpackage from a copy of
# the tree in build/debs (the source package, its .orig tarball, every .deb and
# the .changes land there; each run starts afresh). The test suite does not run
# in the package build. Then lintian on everything built, the hardening of
# every binary, and the packages unpacked into a scratch root and used from
# there (packaging/check-packages.sh).
package_all() {
  packages+=(build-essential debhelper devscripts dpkg-dev fakeroot file lintian man-db pkg-config)
  # The build dependencies of debian/control (debhelper-compat is debhelper's).
  local dep
  for dep in $(sed -n '/^Build-Depends:/,/^[A-Z]/{s/^Build-Depends://;/^[A-Z]/d;p}' "$here/debian/control" |
               tr ',' '\n' | sed 's/[[(<].*//;s/[[:space:]]//g'); do
    [ -n "$dep" ] && packages+=("${dep/#debhelper-compat/debhelper}")
  done
  install_missing
  local out="$build/debs"
  local version upstream
  version="$(dpkg-parsechangelog -l "$here/debian/changelog" -S Version)"
  upstream="${version%-*}"
  local src="$out/kaymor-$upstream"
  rm -rf "$out"
  mkdir -p "$src"
  tar -C "$here" --exclude=./.git --exclude='./build*' -cf - . | tar -C "$src" -xf -
  tar -C "$out" --exclude="kaymor-$upstream/debian" --sort=name --owner=0 --group=0 --numeric-owner \
    --mtime="@$(dpkg-parsechangelog -l "$here/debian/changelog" -S Timestamp)" \
    -cJf "$out/kaymor_$upstream.orig.tar.xz" "kaymor-$upstream"
  # A compiler cache, where one is installed, makes a second package build cheap.
  command -v ccache >/dev/null 2>&1 && export CMAKE_CXX_COMPILER_LAUNCHER=ccache
  # Level 4: a symbol that is missing, new or changed against debian/*.symbols
  # fails the build.
  (cd "$src" && DEB_BUILD_OPTIONS="nocheck terse parallel=$(nproc)" DPKG_GENSYMBOLS_CHECK_LEVEL=4 \
    dpkg-buildpackage -us -uc)
  ls "$out"/*.deb
  "$here/packaging/check-packages.sh" "$out" "$here"
  echo "lintian:"
  lintian --pedantic --display-info --fail-on error,warning "$out"/kaymor_"${version}"_*.changes
}

case "${1:-}" in
  build) build_all ;;
  test)
    build_all
    cd "$build"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j 2
    ;;
  package) package_all ;;
  docs)
    packages+=(doxygen)
    build_all
    cmake --build "$build" --target docs
    echo "$build/docs/html/index.html"
    ;;
  sanitize) sanitize_all ;;
  fuzz) fuzz_all "${2:-60}" ;;
  demo)
    build_all
    exec "$here/tools/demo.sh" "$build/bin" "${@:2}"
    ;;
  *)
    echo "usage: $0 demo|test|build|package|docs|sanitize|fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
