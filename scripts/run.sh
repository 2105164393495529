#!/usr/bin/env bash
# Installs what is missing, builds the command-line converter and converts a
# generated sample store to .eml files and to a PST file. Output goes to ./out
# (made anew each time).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --run-only
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILL_TESTS=OFF >/dev/null
cmake --build build/release -j"${JOBS:-2}" >/dev/null

rm -rf out
mkdir -p out/eml out/pst
build/release/tools/quill-genstore --seed 1 --out out/sample-store
quillmere=build/release/cli/quillmere

echo "== quillmere list --store out/sample-store"
"$quillmere" list --store out/sample-store

echo "== quillmere convert --store out/sample-store --out out/eml --target eml"
"$quillmere" convert --store out/sample-store --out out/eml --target eml

echo "== quillmere convert --store out/sample-store --out out/pst --target pst"
"$quillmere" convert --store out/sample-store --out out/pst --target pst

# An IncrediMail 2.5 store: its database gives the folder tree, deleted messages and the
# messages kept in files of their own. The sample leaves one message file out on purpose, so
# that conversion reports one failure (exit status 1).
build/release/tools/quill-genstore --seed 1 --out out/sample-store-2.5 --generation im25 >/dev/null
echo "== quillmere convert --store out/sample-store-2.5 --out out/eml-2.5 --target eml"
"$quillmere" convert --store out/sample-store-2.5 --out out/eml-2.5 --target eml ||
  echo "(exit status $?: the one message file the sample leaves out is reported)"

eml_count=$(find out/eml -name '*.eml' | wc -l)
pst_file=$(find out/pst -name '*.pst' | head -n1)
echo "== summary"
echo "EML files: $eml_count in out/eml"
echo "PST file:  $pst_file ($(stat -c %s "$pst_file") bytes)"
if command -v pffinfo >/dev/null; then
  echo "== pffinfo \"$pst_file\""
  pffinfo "$pst_file" | sed -n '1,40p'
fi
