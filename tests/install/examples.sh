#!/usr/bin/env bash
# The examples against an installed tree: `cmake --install` of the build into
# a scratch prefix, then each example built from its own folder with CMake
# (find_package) and with its Makefile (pkg-config), nothing of the build
# tree on their paths. The discovery example then runs in a network
# namespace of its own, where it has nobody to ask.
# usage: examples.sh <cmake> <build dir> <source dir> <libdir relative to the prefix>
#                    <C++ compiler> <compiler flags> <linker flags>
# The examples get the build's compiler and flags, so that a sanitizer build's
# libraries find their run-time library in the examples too.
set -euo pipefail
cmake="$1" build="$2" source="$3" libdir="$4" cxx="$5" cxxflags="${6:-}" ldflags="${7:-}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"

"$cmake" --install "$build" --prefix "$prefix" >"$scratch/install.log" || {
  cat "$scratch/install.log"; exit 1; }
for f in include/corvel/corvel.h include/corvel/records.h include/corvel/propertybag.h \
         include/dotquad/dotquad.h include/dotquad/propertybag.h \
         "$libdir/libcorvel.so" "$libdir/libdotquad.so" \
         "$libdir/cmake/Corvel/CorvelConfigVersion.cmake" "$libdir/pkgconfig/corvel.pc" \
         "$libdir/cmake/Dotquad/DotquadConfig.cmake" "$libdir/pkgconfig/dotquad.pc"; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
# No byte format or build-internal header reaches a host.
if grep -rlE 'zamtcp|[<"]comboblock\.h|discoverymsg|RawComboBlock|FrameAssembler|_p\.h' \
     "$prefix/include"; then
  echo "internal names in the installed headers"; exit 1
fi

for example in discover:corvel addressfield:dotquad; do
  library="${example#*:}" example="${example%%:*}"
  # CMake: only the scratch prefix (and the system) is searched.
  "$cmake" -S "$source/examples/$example" -B "$scratch/$example-cmake" \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    >"$scratch/log" 2>&1 ||
    { cat "$scratch/log"; exit 1; }
  "$cmake" --build "$scratch/$example-cmake" >"$scratch/log" 2>&1 || { cat "$scratch/log"; exit 1; }
  # pkg-config: a copy of the folder, built by its Makefile.
  cp -r "$source/examples/$example" "$scratch/$example-pc"
  PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" make -s -C "$scratch/$example-pc" \
    CXX="$cxx" CXXFLAGS="-O1 $cxxflags" LDFLAGS="$ldflags" >"$scratch/log" 2>&1 ||
    { cat "$scratch/log"; exit 1; }
  for binary in "$scratch/$example-cmake/$example" "$scratch/$example-pc/$example"; do
    [ -x "$binary" ] || { echo "not built: $binary"; exit 1; }
    links="$(LD_LIBRARY_PATH="$prefix/$libdir" ldd "$binary")"
    grep -q "lib$library.so.1 => $prefix/" <<<"$links" ||
      { echo "$binary does not link the installed lib$library"; echo "$links"; exit 1; }
  done
done

# The discovery example in an empty network namespace: no unit, no address,
# nothing leaves the machine.
isolate=()
if unshare -n true 2>/dev/null; then isolate=(unshare -n)
elif unshare -rn true 2>/dev/null; then isolate=(unshare -rn)
fi
if [ ${#isolate[@]} -gt 0 ]; then
  out="$(LD_LIBRARY_PATH="$prefix/$libdir" "${isolate[@]}" "$scratch/discover-pc/discover")"
  echo "$out"
  grep -qx '0 units found' <<<"$out" || { echo "unexpected discovery output"; exit 1; }
else
  echo "no network namespace available: the discovery example was built, not run"
fi
echo "examples built with CMake and pkg-config against $prefix"
