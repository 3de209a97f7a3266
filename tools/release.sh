#!/usr/bin/env bash
# The release bundle: builds the programs and writes dist/ with
# pelorin-x64.exe, pelorin-x86.exe, the command-line edition for Linux
# (pelorin-linux-x86_64) and SHA256SUMS. The version is the project's
# (project(VERSION) in CMakeLists.txt), in the version resource of both .exe.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
bash tools/build-all.sh --products

rm -rf dist
mkdir dist
cp build/windows/src/app/pelorin.exe dist/pelorin-x64.exe
cp build/windows-x86/src/app/pelorin.exe dist/pelorin-x86.exe
cp build/native/src/cli/pelorin "dist/pelorin-linux-$(uname -m)"
strip "dist/pelorin-linux-$(uname -m)"
(cd dist && sha256sum -- * >SHA256SUMS)
version=$(sed -n 's/^project(Pelorin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
echo "=== dist/ (version $version)"
cat dist/SHA256SUMS
