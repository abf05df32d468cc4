#!/usr/bin/env bash
# Installs the native build tree into a fresh prefix, then configures, builds and runs a small outside
# project against the installed package twice: through find_package(mx) and through pkg-config.
# Arguments: the native build tree, the consumer's source folder, a scratch folder.
set -euo pipefail
tree=$1 source=$2 scratch=$3
rm -rf "$scratch"
prefix=$scratch/prefix
cmake --install "$tree" --prefix "$prefix" >/dev/null
for f in include/mx/ptable.h lib/cmake/mx/mxConfig.cmake lib/pkgconfig/mx.pc bin/mxtool bin/mxelement; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
"$prefix/bin/mxelement" C >/dev/null || { echo "installed mxelement does not run"; exit 1; }
PKG_CONFIG_PATH=$prefix/lib/pkgconfig cmake -S "$source" -B "$scratch/build" -G Ninja \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_RPATH="$prefix/lib" >/dev/null
cmake --build "$scratch/build" >/dev/null
for program in consumer consumer_pc; do
  out=$("$scratch/build/$program" | tr -d "\r")  # the encoder ends its lines with CR LF
  echo "$program: $out"
  [ "$out" = "C 6 12.011 5 Q0NP" ] || { echo "$program printed something else"; exit 1; }
done
