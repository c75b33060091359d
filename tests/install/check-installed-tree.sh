#!/bin/sh
# Installs the build tree into a scratch prefix and builds clients against it
# the three ways users do: CMake's find_package, pkg-config, and zbig.o linked
# by the C compiler alone.
set -eu
build_dir=$1 work=$2 cc=$3 cxx=$4
here=$(cd "$(dirname "$0")" && pwd)
prefix=$work/prefix

rm -rf "$work"
mkdir -p "$work"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

for f in include/qarith.h include/zbig.h include/qarith.hpp include/zbig.hpp lib/zbig.o lib/libzbig.a lib/libqarith.a \
         lib/cmake/fsmdkit/fsmdkitConfig.cmake lib/pkgconfig/qarith.pc lib/pkgconfig/zbig.pc; do
  [ -e "$prefix/$f" ] || { echo "install tree lacks $f"; exit 1; }
done

echo "== find_package(fsmdkit)"
cmake -S "$here/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" \
      -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
"$work/cmake-build/client_c"
"$work/cmake-build/client_cxx"
# The C++ guide's example (docs/cxx.md): its output as shown there.
"$work/cmake-build/client_hpp" | diff "$here/consumer/client_hpp.expected" -

echo "== find_package(fsmdkit) from a C-only project"
cmake -S "$here/consumer_c" -B "$work/cmake-build-c" -DCMAKE_PREFIX_PATH="$prefix" \
      -DCMAKE_C_COMPILER="$cc" >/dev/null
cmake --build "$work/cmake-build-c" >/dev/null
"$work/cmake-build-c/client_c"

echo "== pkg-config"
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
# shellcheck disable=SC2046
"$cc" -std=c99 -pedantic -Wall -Werror -o "$work/pc_client_c" "$here/consumer/client.c" $(pkg-config --cflags --libs qarith zbig)
# shellcheck disable=SC2046
"$cxx" -std=c++20 -Wall -Werror -o "$work/pc_client_cxx" "$here/consumer/client.cpp" $(pkg-config --cflags --libs qarith zbig)
"$work/pc_client_c"
"$work/pc_client_cxx"

echo "== zbig.o with the C compiler and the C library only"
"$cc" -std=c99 -o "$work/obj_client_c" -DZBIG_ONLY -I"$prefix/include" "$here/consumer/client.c" "$prefix/lib/zbig.o"
"$work/obj_client_c"
if readelf -d "$work/obj_client_c" "$work/pc_client_c" | grep -q 'libstdc++'; then
  echo "a C client depends on libstdc++"; exit 1
fi
echo "== the README and the guides, installed beside each other"
docdir=$prefix/share/doc/fsmdkit
for f in README.md docs/simulation.md docs/qarith.md docs/zbig.md docs/cxx.md docs/linetidy.md; do
  [ -e "$docdir/$f" ] || { echo "install tree lacks share/doc/fsmdkit/$f"; exit 1; }
done
# Every relative link, in the README and in each guide, reaches an installed file.
python3 "$here/doc_blocks.py" links "$docdir"
echo "installed tree OK"
