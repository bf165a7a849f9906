#!/usr/bin/env bash
# What the control libraries export is their public interface and nothing
# else: the classes of the headers (no nested Private), the factories, and
# no byte-format code of the static parts linked into them.
# usage: exports.sh <libcorvel.so> <libdotquad.so>
set -euo pipefail
check() {
  local lib="$1" allowed="$2" bad
  # The strong defined dynamic symbols, demangled, without the type column.
  # Weak ones are template and inline code that unoptimised or sanitizer
  # builds emit out of line; they only must not be the libraries' internals.
  bad="$(nm -DC --defined-only "$lib" | grep -E '^[0-9a-f]+ [TDBRGS] ' |
         sed -E 's/^[0-9a-f]+ [A-Za-z] //' | grep -vE "$allowed" || true)"
  if [ -n "$bad" ]; then
    echo "$lib exports more than its public interface:"; echo "$bad"; return 1
  fi
  if nm -DC --defined-only "$lib" |
       grep -E '(Corvel_Project::(UDP|ComboBlock)|DotquadLib::Dotquad)::Private|^[0-9a-f]+ [A-Za-z] zam::'; then
    echo "$lib exports internals"; return 1
  fi
}
classes='(Corvel_Project::(UDP|ComboBlock))'
# The linker's own marks of the data segment.
linker='^(__bss_start|_edata|_end)$'
of='^((typeinfo( name)?|vtable|guard variable) for |non-virtual thunk to )?'
check "$1" "$of$classes(::|\$)|^CreateCorvelControl\(|$linker"
check "$2" "${of}DotquadLib::Dotquad(::|\$)|^CreateDotquadControl\(|$linker"
echo "only the public interface is exported"
