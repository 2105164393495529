#!/usr/bin/env bash
# Installs what is missing, builds the command-line converter and runs it on
# a generated sample store. Output goes to ./out (made anew each time).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --run-only
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILL_TESTS=OFF >/dev/null
cmake --build build/release -j"${JOBS:-2}" >/dev/null

rm -rf out
mkdir -p out
build/release/tools/quill-genstore --seed 1 --out out/sample-store
for container in out/sample-store/*.imm; do
  name=$(basename "$container" .imm)
  echo "== quillmere split \"$container\" \"out/split/$name\""
  build/release/cli/quillmere split "$container" "out/split/$name"
done
