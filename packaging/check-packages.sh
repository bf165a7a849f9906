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

debug="$debs/debug-root"
rm -rf "$root" "$debug"
mkdir -p "$root" "$debug"
for deb in "$debs"/*.deb; do
  case "$deb" in
    *-dbgsym_*) dpkg-deb -x "$deb" "$debug" ;;
    *) dpkg-deb -x "$deb" "$root" ;;
  esac
done

# Whether every unit of a binary was compiled with the stack protector, read
# from the compiler's command line in the detached debugging information.
compiled_with_stack_protector() {
  local id info
  id="$(readelf -n "$1" | sed -n 's/.*Build ID: //p')"
  info="$debug/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug"
  [ -n "$id" ] && [ -f "$info" ] || return 1
  readelf --debug-dump=info --dwarf-depth=1 "$info" 2>/dev/null | grep DW_AT_producer >"$debs/producers" || return 1
  ! grep -qv -- '-fstack-protector-strong' "$debs/producers"
}

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
expect kaymor /usr/bin/kaymor /usr/bin/kaymorctl /usr/share/man/man1/kaymorctl.1.gz \
  /usr/share/bash-completion/completions/kaymorctl "/usr/lib/$multiarch/kaymor/kaymor_video.so" /usr/share/man/man1/kaymor.1.gz \
  /usr/share/applications/com.vantrel.kaymor.desktop /usr/share/metainfo/com.vantrel.kaymor.metainfo.xml \
  /usr/share/icons/hicolor/256x256/apps/kaymor.png '/usr/share/kaymor/Images/.+'
expect kaymor-unitsim /usr/bin/kaymor-unitsim /usr/share/man/man1/kaymor-unitsim.1.gz
for lib in corvel dotquad; do
  expect "lib${lib}1" "/usr/lib/$multiarch/lib$lib.so.1" "/usr/lib/$multiarch/lib$lib.so.1\.[0-9.]+"
  expect "lib$lib-dev" "/usr/lib/$multiarch/lib$lib.so" "/usr/lib/$multiarch/pkgconfig/$lib.pc" \
    "/usr/include/$lib/$lib.h" "/usr/lib/$multiarch/cmake/[A-Z][a-z]+/[A-Za-z]+Config.cmake"
done
expect libdotquad-designer "/usr/lib/$multiarch/qt6/plugins/designer/libdotquad_designer.so"
expect kaymor-doc /usr/share/doc/kaymor-doc/html/index.html /usr/share/doc/kaymor-doc/html/jquery.js

# Debian's hardening in every binary: PIE, stack protector, fortified
# functions, read-only relocations and immediate binding (control-flow
# protection is not among Debian 12's hardening flags). A binary whose only
# fortifiable calls are memmove()/memcpy() of sizes known at run time (Qt's
# container code) has nothing the fortify check could show; any other
# unprotected call fails. A binary without a guarded function (no array on
# any stack) shows no stack protector: it passes when its debugging
# information says every unit was compiled with it.
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
  notes=()
  if grep -q 'Fortify Source functions: no, only unprotected' <<<"$failing" &&
     [ -z "$(tr ' ' '\n' <<<"$unprotected" | grep -vxE 'memmove|memcpy|' || true)" ]; then
    failing="$(grep -v 'Fortify Source functions' <<<"$failing" || true)"
    notes+=("fortify without a checkable call (only ${unprotected% })")
  fi
  if grep -q 'Stack protected: no' <<<"$failing" && compiled_with_stack_protector "$file"; then
    failing="$(grep -v 'Stack protected' <<<"$failing" || true)"
    notes+=("compiled with -fstack-protector-strong, no function needed a guard")
  fi
  if [ -z "$failing" ]; then
    echo "  $name: all yes, $(IFS=';'; echo "${notes[*]}")"
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
# with their CMake files (find_package), once with their Makefiles, which
# take the flags from the pkg-config files (copies whose prefix, /usr, is moved
# to the root; Qt's own stay the system's).
if [ -d "$tree/examples" ]; then
  mkdir -p "$debs/pkgconfig"
  for pc in "$libdir"/pkgconfig/*.pc; do
    sed "s|^prefix=/usr\$|prefix=$root/usr|" "$pc" >"$debs/pkgconfig/$(basename "$pc")"
  done
  export PKG_CONFIG_PATH="$debs/pkgconfig"
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
    # The example's own Makefile, run outside the source tree.
    mkdir -p "$work/pc"
    if make -C "$work/pc" -f "${example}Makefile" VPATH="$example" >"$work/pc.log" 2>&1; then
      echo "example $name: built with pkg-config"
    else
      fail "example $name with pkg-config: $(tail -20 "$work/pc.log")"
    fi
  done
fi

exit "$failed"
