#!/bin/sh
# A deliverable that must run with the C library and the C maths library only
# lists nothing else among its needed libraries.
set -eu
needed=$(readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
echo "needed: $needed"
for lib in $needed; do
  case $lib in
    libc.so.*|libm.so.*|ld-linux*) ;;
    *) echo "unexpected dependency: $lib"; exit 1 ;;
  esac
done
