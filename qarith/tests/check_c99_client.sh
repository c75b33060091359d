#!/bin/sh
# Builds each C example with the C compiler alone (-std=c99 -pedantic, no C++
# runtime) against the build tree's qarith.h and libqarith.a, runs it and
# compares its output with the expected output kept beside it. FLAGS, the
# build's own C flags (word size, instrumentation), are passed on so that
# the client links with the library as built.
set -eu
cc=$1 include=$2 library=$3 examples=$4 work=$5 flags=${6:-}
mkdir -p "$work"
for source in "$examples"/*.c; do
  name=$(basename "$source" .c)
  # shellcheck disable=SC2086 # FLAGS is a list of options
  "$cc" $flags -std=c99 -pedantic -Wall -Wextra -Werror -I"$include" -o "$work/$name" "$source" "$library" -lm
  if readelf -d "$work/$name" | grep -q 'libstdc++'; then
    echo "$name depends on libstdc++"; exit 1
  fi
  "$work/$name" >"$work/$name.out" 2>&1
  diff -u "$examples/$name.expected" "$work/$name.out"
  echo "$name OK"
done
