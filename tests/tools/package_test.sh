#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree into a scratch
# directory and checks its contents and fields.  Usage: package_test.sh BUILD_DIR
# Exit status 0 when every check passed, 1 otherwise, 77 without cpack or dpkg-deb.

set -u -o pipefail

build=${1:?usage: package_test.sh BUILD_DIR}
# shellcheck source=check.sh
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"
skip_without cpack
skip_without dpkg-deb dpkg-dev
scratch package_test

(cd "$tmp" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out") >"$tmp/cpack.log" 2>&1
check "cpack exit 0 ($(tail -2 "$tmp/cpack.log"))" test $? -eq 0
deb=$(ls "$tmp"/out/chi2map_*.deb 2>/dev/null | head -1)
check "one chi2map_VERSION_ARCH.deb" test -n "$deb"
files=$(dpkg-deb -c "$deb" | awk '{ print $NF }')
for file in bin/chi2map bin/chi2map-plot bin/chi2map-fit \
    share/man/man1/chi2map.1.gz share/man/man1/chi2map-plot.1.gz share/man/man1/chi2map-fit.1.gz; do
    check "the package holds /usr/$file" grep -qx "./usr/$file" <<<"$files"
done
check "nothing but the three programs and their pages" test "$(grep -vc '/$' <<<"$files")" -eq 6
check "Depends on the C++ library" grep -q '^Depends:.*libstdc++6' <(dpkg-deb -f "$deb")
check "Recommends gnuplot" grep -qx 'Recommends: gnuplot-nox | gnuplot' <(dpkg-deb -f "$deb")

echo "$passed passed, $failed failed, $skipped skipped"
((failed == 0))
