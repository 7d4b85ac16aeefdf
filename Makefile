# Thin wrapper over the CMake presets; `make test` is what CI runs first.
.PHONY: all build test run map corner sanitize portable chi2map-only fuzz fuzz-smoke valgrind bench install package clean

JOBS ?= 2
EXAMPLE_DIR ?= example
PREFIX ?= /usr/local

all: build

build:
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

# Builds everything from scratch if needed and runs every test.
test: build
	ctest --preset release

# Builds just the targets named, its progress on standard error, so that a
# first run shows what it waits for and `echo 2 | make -s run` keeps its
# output clean.
define build-only
	@test -f build/build.ninja || cmake --preset release >&2
	@cmake --build --preset release -j $(JOBS) --target $(1) >&2
endef

# The bundled example's fit results, written on first use.
define example
	@mkdir -p $(EXAMPLE_DIR)
	@test -f $(EXAMPLE_DIR)/quorvi.res || build/make_example $(EXAMPLE_DIR)/quorvi.res
endef

# Runs chi2map on the bundled example. Type the choice, or pipe it:
# echo 2 | make -s run
run:
	$(call build-only,chi2map make_example)
	$(example)
	@cd $(EXAMPLE_DIR) && ../build/chi2map

# The example's T vs YORP strength map, drawn to docs/example-map.png.
map:
	$(call build-only,chi2map chi2map-plot make_example)
	$(example)
	@mkdir -p docs
	@cd $(EXAMPLE_DIR) && echo 1 | ../build/chi2map > /dev/null
	build/chi2map-plot $(EXAMPLE_DIR)/table.dat -o docs/example-map.png

# The example's best fit, and its corner figure drawn to docs/example-corner.png.
corner:
	$(call build-only,chi2map chi2map-fit make_example)
	$(example)
	@mkdir -p docs
	build/chi2map-fit $(EXAMPLE_DIR)/quorvi.res -o docs/example-corner.png

sanitize:
	cmake --preset asan-ubsan
	cmake --build --preset asan-ubsan -j $(JOBS)
	ctest --preset asan-ubsan

# The record scans without SSE2, as on processors that lack it.
portable:
	cmake --preset portable
	cmake --build --preset portable -j $(JOBS)
	ctest --preset portable

# chi2map and its tests without the tools, CLI11, nlohmann-json, Boost or
# Python: the program builds on the standard library alone.
chi2map-only:
	cmake --preset chi2map-only
	cmake --build --preset chi2map-only -j $(JOBS)
	ctest --preset chi2map-only

fuzz:
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)

# Each fuzz target for a few seconds on its seed corpus (CI).
FUZZ_SECONDS ?= 8
fuzz-smoke: fuzz
	tools/run-fuzzers $(FUZZ_SECONDS)

valgrind: build
	tools/valgrind-run build/chi2map

bench:
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS)
	bench/run-benchmark
	bench/count-instructions build-bench/chi2map build-bench

# The programs and their manual pages, built first if need be.
install:
	$(call build-only,installed)
	cmake --install build --prefix $(PREFIX)

# A Debian package of what `make install` installs: build/chi2map_*.deb.
package:
	$(call build-only,installed)
	cd build && cpack -G DEB

clean:
	rm -rf build build-debug build-asan build-fuzz build-bench build-portable build-chi2map-only
