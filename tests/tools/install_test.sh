#!/usr/bin/env bash
# Installs a configured and built tree into a scratch prefix and checks what lands there, then builds its Debian
# package and checks what that holds.
# Usage: install_test.sh BUILD_DIR; exit status 0 when every check passed, 1 otherwise, 77 without cmake.

set -u -o pipefail

build=$(cd "${1:?usage: install_test.sh BUILD_DIR}" && pwd)
[[ -f $build/cmake_install.cmake ]] || { echo "$build is not a configured build directory"; echo "0 passed, 1 failed"; exit 1; }
# shellcheck source=check.sh
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"
skip_without cmake
scratch install_test
prefix=$tmp/prefix

cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1
rc=$?
check "cmake --install exit 0 (got $rc: $(tail -3 "$tmp/install.log"))" test $rc -eq 0

for file in bin/chi2map bin/chi2map-plot bin/chi2map-fit; do
    check "$file installed and executable" test -f "$prefix/$file" -a -x "$prefix/$file"
done
for page in chi2map chi2map-plot chi2map-fit; do
    check "man page $page.1.gz installed, gzipped" gzip -t "$prefix/share/man/man1/$page.1.gz"
done
check "make_example is a development tool, not installed" test ! -e "$prefix/bin/make_example"
# chi2map loads no C++ runtime: a noexcept or a throwing library call in the record layer
# would make it load libstdc++ at every start (a sanitizer build links the runtime it needs).
needed=$(readelf -d "$prefix/bin/chi2map" 2>&1 | grep NEEDED)
grep -q '^CHI2MAP_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" || check "installed chi2map needs only the C library and libm: $needed" test -n "$needed" -a -z "$(grep -v -e libc.so -e libm.so <<<"$needed")"

# The installed program runs: without quorvi.res it reports the missing file.
mkdir -p "$tmp/run"
(cd "$tmp/run" && "$prefix/bin/chi2map" </dev/null >stdout.txt 2>stderr.txt)
rc=$?
check "installed chi2map runs: exit 255 without quorvi.res (got $rc)" test $rc -eq 255
check "installed chi2map: the missing-file report" test "$(head -1 "$tmp/run/stderr.txt" 2>/dev/null)" = "? System Error:"
out=$("$prefix/bin/chi2map-plot" -h 2>&1)
check "installed chi2map-plot -h" grep -q '^usage: chi2map-plot TABLE' <<<"$out"
: >"$tmp/run/quorvi.res"
out=$(cd "$tmp/run" && "$prefix/bin/chi2map-fit" -n 2>&1)
check "installed chi2map-fit runs: $out" grep -q "holds no record of five numbers" <<<"$out"

# The pages render without a single warning.
for page in chi2map chi2map-plot chi2map-fit; do
    src=$tmp/$page.1
    gzip -dc "$prefix/share/man/man1/$page.1.gz" >"$src"
    if command -v groff >/dev/null 2>&1; then
        warnings=$(groff -man -t -Tutf8 -ww -z "$src" 2>&1)
        check "$page.1 renders with groff without warnings: $warnings" test -z "$warnings"
        text=$(groff -man -t -Tutf8 -P-cbou "$src" 2>/dev/null)
    elif command -v man >/dev/null 2>&1; then
        warnings=$(MANWIDTH=80 man --warnings -l "$src" 2>&1 >/dev/null)
        check "$page.1 renders with man without warnings: $warnings" test -z "$warnings"
        text=$(MANWIDTH=80 man -l "$src" 2>/dev/null)
    else
        skipped=$((skipped + 1))
        echo "neither groff nor man: $page.1 not rendered"
        continue
    fi
    sections=(NAME SYNOPSIS DESCRIPTION "EXIT STATUS" EXAMPLES "SEE ALSO")
    [[ $page == chi2map ]] && sections+=(FILES DIAGNOSTICS)
    for section in "${sections[@]}"; do check "$page.1 has the section $section" grep -q "^$section" <<<"$text"; done
    [[ $page == chi2map ]] && continue
    for option in $("$prefix/bin/$page" -h | grep -oE '^ +-[a-z]|^ +-[a-z], --[a-z-]+|^ +--[a-z-]+' | grep -oE -- '-[-a-z]+'); do
        check "$page.1 lists the option $option of -h" grep -qE -- "(^| )$option( |,|$)" <<<"$text"
    done
done

# The Debian package of the same tree: what it holds and its fields.
if command -v cpack >/dev/null && command -v dpkg-deb >/dev/null; then
    (cd "$tmp" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out") >"$tmp/cpack.log" 2>&1
    check "cpack exit 0 ($(tail -2 "$tmp/cpack.log"))" test $? -eq 0
    deb=$(ls "$tmp"/out/chi2map_*.deb 2>/dev/null | head -1)
    files=$(dpkg-deb -c "$deb" | awk '{ print $NF }')
    for file in bin/chi2map bin/chi2map-plot bin/chi2map-fit share/man/man1/chi2map{,-plot,-fit}.1.gz; do
        check "the package holds /usr/$file" grep -qx "./usr/$file" <<<"$files"
    done
    check "nothing but the three programs and their pages" test "$(grep -vc '/$' <<<"$files")" -eq 6
    check "Depends on the C++ library, Recommends gnuplot" test "$(dpkg-deb -f "$deb" Depends Recommends | grep -c 'libstdc++6\|Recommends: gnuplot-nox | gnuplot$')" -eq 2
else
    skipped=$((skipped + 1))
    echo "cpack or dpkg-deb (Debian package dpkg-dev) missing: the package is not checked"
fi

echo "$passed passed, $failed failed, $skipped skipped"
((failed == 0))
