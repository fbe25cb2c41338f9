#!/usr/bin/env bash
# Builds the Debian package of Orvela with CPack, in a build folder of its own (build-package,
# or the folder given as the first argument), and prints the package's path as its last line.
#   scripts/package.sh [BUILD_DIR]
# Install it with:  apt install ./orvela_<version>_<arch>.deb
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-package}

bash "$root/scripts/setup.sh" >&2
# The package holds the two programs only: installing need not build the tests first.
# RelWithDebInfo (-O2), as every other build here: g++ 12 at -O3 (Release) warns falsely
# inside std::variant, and warnings are errors. CPack strips the debugging information.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVELA_GUI=ON \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >&2
cmake --build "$build" -j "$(nproc)" --target orvela orvela-admin >&2
rm -f "$build"/package/*.deb
(cd "$build" && cpack -G DEB -B "$build/package" >&2)
package=$(ls -t "$build"/package/*.deb | head -n1)
echo "$package"
