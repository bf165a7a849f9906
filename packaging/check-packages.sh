#!/usr/bin/env bash
# The built .deb files used as installed: every binary checked for Debian's
# hardening, every package unpacked into one scratch root, the programs
# started from there and the examples built against that root's development
# files, with CMake and with pkg-config.
#   packaging/check-packages.sh DEBS_FOLDER SOURCE_TREE
set -euo pipefail
debs="$(cd "$1" && pwd)"
tree="$(cd "$2" && pwd)"
root="$debs/root"
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
libdir="$root/usr/lib/$multiarch"
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

rm -rf "$root"
mkdir -p "$root"
for deb in "$debs"/*.deb; do
  case "$deb" in *-dbgsym_*) continue ;; esac
  dpkg-deb -x "$deb" "$root"
done

# Each package holds its own files.
contents() { dpkg-deb -c "$debs/$1"_*.deb | awk '{print $6}' | sed 's|^\./|/|'; }
expect() {
  local package="$1"; shift
  local listing path
  listing="$(contents "$package")"
  for path in "$@"; do
    grep -qxE "$path" <<<"$listing" || fail "$package lacks $path"
  done
}
expect kaymor /usr/bin/kaymor "/usr/lib/$multiarch/kaymor/kaymor_video.so" /usr/share/man/man1/kaymor.1.gz \
  /usr/share/applications/com.vantrel.kaymor.desktop /usr/share/metainfo/com.vantrel.kaymor.metainfo.xml \
  /usr/share/icons/hicolor/256x256/apps/kaymor.png '/usr/share/kaymor/Images/.+'
expect kaymor-unitsim /usr/bin/kaymor-unitsim /usr/share/man/man1/kaymor-unitsim.1.gz
for lib in corvel dotquad; do
  expect "lib${lib}1" "/usr/lib/$multiarch/lib$lib.so.1" "/usr/lib/$multiarch/lib$lib.so.1\.[0-9.]+"
done

# Debian's hardening in every binary: PIE, stack protector, fortified
# functions, read-only relocations and immediate binding (control-flow
# protection is not among Debian 12's hardening flags). A binary whose only
# fortifiable calls are memmove()/memcpy() of sizes known at run time (Qt's
# container code) has nothing the fortify check could show; any other
# unprotected call fails.
echo "hardening-check:"
while IFS= read -r -d '' file; do
  file -b "$file" | grep -q '^ELF' || continue
  name="${file#"$root"}"
  if report="$(hardening-check --nocfprotection --verbose "$file" 2>&1)"; then
    echo "  $name: all yes"
    continue
  fi
  failing="$(grep -E '^ [A-Z].*: no' <<<"$report" | grep -v '(ignored)' || true)"
  unprotected="$(sed -n 's/^\tunprotected: //p' <<<"$report" | sort -u | tr '\n' ' ')"
  if [ "$(grep -c . <<<"$failing")" -eq 1 ] && grep -q 'Fortify Source functions: no, only unprotected' <<<"$failing" &&
     [ -z "$(tr ' ' '\n' <<<"$unprotected" | grep -vxE 'memmove|memcpy|' || true)" ]; then
    echo "  $name: all yes, fortify without a checkable call (only ${unprotected% })"
  else
    fail "hardening of $name:"$'\n'"$report"
  fi
done < <(find "$root/usr/bin" "$root/usr/lib" -type f -print0)

# The installed programs, without a display, finding their libraries in the
# scratch root only.
quiet_env=(env -u DISPLAY -u WAYLAND_DISPLAY -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen)
out="$("${quiet_env[@]}" "$root/usr/bin/kaymor" --version 2>&1)" || fail "kaymor --version: $out"
grep -qE '^kaymor [0-9]+\.[0-9]{2} \(build [0-9]+\.[0-9]{2}\.[0-9]{4}\)$' <<<"$out" || fail "kaymor --version printed: $out"
echo "kaymor --version: $out"
if [ -e "$root/usr/bin/kaymorctl" ]; then
  out="$("${quiet_env[@]}" "$root/usr/bin/kaymorctl" --version 2>&1)" || fail "kaymorctl --version: $out"
  grep -q '^kaymorctl [0-9]' <<<"$out" || fail "kaymorctl --version printed: $out"
  echo "kaymorctl --version: $out"
fi
out="$("${quiet_env[@]}" "$root/usr/bin/kaymor-unitsim" --help 2>&1)" || fail "kaymor-unitsim --help: $out"
grep -q -- '--tcp' <<<"$out" || fail "kaymor-unitsim --help printed: $out"
echo "kaymor-unitsim --help: $(head -1 <<<"$out")"
for page in kaymor kaymor-unitsim; do
  warnings="$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)" ||
    fail "man $page: $warnings"
  [ -z "$warnings" ] || fail "man $page: $warnings"
done

# The examples, built against the scratch root's development files only: once
# with their own CMake files (find_package), once from a CMake project that
# takes the flags from the pkg-config files. The .pc files name /usr; prefix
# is moved to the root.
if [ -d "$tree/examples" ]; then
  export PKG_CONFIG_PATH="$libdir/pkgconfig"
  for example in "$tree"/examples/*/; do
    name="$(basename "$example")"
    work="$debs/examples/$name"
    mkdir -p "$work"
    if cmake -S "$example" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$root/usr" >"$work/cmake.log" 2>&1 &&
       cmake --build "$work/cmake" >>"$work/cmake.log" 2>&1; then
      echo "example $name: built with CMake"
    else
      fail "example $name with CMake: $(tail -20 "$work/cmake.log")"
    fi
    modules="$( (grep -ohE '\b(corvel|dotquad)\b' "$example"*.cpp "$example"*.h 2>/dev/null || true) | sort -u | tr '\n' ' ')"
    mkdir -p "$work/pc-src"
    cat >"$work/pc-src/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(${name}_pkgconfig LANGUAGES CXX)
set(CMAKE_AUTOMOC ON)
find_package(PkgConfig REQUIRED)
set(PKG_CONFIG_ARGN --define-variable=prefix=$root/usr)
pkg_check_modules(LIBS REQUIRED IMPORTED_TARGET $modules)
file(GLOB sources "${example}*.cpp" "${example}*.h")
add_executable($name \${sources})
target_link_libraries($name PRIVATE PkgConfig::LIBS)
CMAKE
    if cmake -S "$work/pc-src" -B "$work/pc" -G Ninja >"$work/pc.log" 2>&1 && cmake --build "$work/pc" >>"$work/pc.log" 2>&1; then
      echo "example $name: built with pkg-config ($modules)"
    else
      fail "example $name with pkg-config: $(tail -20 "$work/pc.log")"
    fi
  done
fi

exit "$failed"
