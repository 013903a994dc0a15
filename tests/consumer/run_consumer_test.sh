#!/bin/sh
# Installs the built tree into a temporary prefix, builds the consumer host
# project against it with find_package, and runs the host on a small
# configuration in a workspace of its own.
#   run_consumer_test.sh BUILD_DIR SOURCE_DIR [EXTRA_CXX_FLAGS]
set -eu
build=$1
source=$2
flags=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
cmake -S "$source/tests/consumer" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/prefix" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$work/build" >/dev/null

printf '[paths]\nuser=%s/user\nsystem=%s/system\n' "$work" "$work" > "$work/consumer.ini"
TAVIK_INI="$work/consumer.ini" TAVIK_WORKSPACE="tavik_consumer_$$" \
  "$work/build/consumer_host" "$source/tests/consumer/consumer-config.xml"
