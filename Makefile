# Thin wrapper over the CMake presets; `make test` is what CI runs first.
.PHONY: all build quiet-build test run map sanitize fuzz fuzz-smoke valgrind bench install clean

JOBS ?= 2
EXAMPLE_DIR ?= example

all: build

build:
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

# Builds everything from scratch if needed and runs every test.
test: build
	ctest --preset release

# The build without its chatter, for the commands that run the program.
quiet-build:
	@mkdir -p build
	@($(MAKE) --no-print-directory build > build/.build.log 2>&1) || (cat build/.build.log; exit 1)

# Runs chi2map on the bundled example (generated on first use). Type the
# choice, or pipe it: echo 2 | make -s run
run: quiet-build
	@mkdir -p $(EXAMPLE_DIR)
	@test -f $(EXAMPLE_DIR)/quorvi.res || build/make_example $(EXAMPLE_DIR)/quorvi.res
	@cd $(EXAMPLE_DIR) && ../build/chi2map

# The example's T vs YORP strength map, drawn to docs/example-map.png.
map: quiet-build
	@mkdir -p $(EXAMPLE_DIR) docs
	@test -f $(EXAMPLE_DIR)/quorvi.res || build/make_example $(EXAMPLE_DIR)/quorvi.res
	@cd $(EXAMPLE_DIR) && echo 1 | ../build/chi2map > /dev/null
	tools/chi2map-plot $(EXAMPLE_DIR)/table.dat -o docs/example-map.png

sanitize:
	cmake --preset asan-ubsan
	cmake --build --preset asan-ubsan -j $(JOBS)
	ctest --preset asan-ubsan

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

install: build
	cmake --install build --prefix $(PREFIX)

clean:
	rm -rf build build-debug build-asan build-fuzz build-bench
