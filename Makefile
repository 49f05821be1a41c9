# The user commands: `make demo` plays the bundled presentation, `make test` runs every test.
BUILD      ?= build
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
DEMO       ?= examples/neon-drift
RUNS       ?= 5
PREFIX     ?= /usr/local

.PHONY: all deps configure build test demo bench measure fuzz fuzz-run sanitize install package release check-release windows-deps windows test-windows measure-windows format \
	check-format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	@scripts/play-demo $(BUILD) $(DEMO)

bench: deps
	@cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQV_BENCH=ON -DQV_TESTS=OFF >/dev/null
	@cmake --build build-bench -j $(JOBS) --target qv_bench example-neon-drift
	@build-bench/qv_bench $(BENCH_ARGS)

# Start to first frame, capture throughput and export rates (start-up included) of the example, each the
# median of several runs.
measure: build
	@scripts/install-deps measure
	@scripts/measure-startup $(BUILD) $(RUNS)
	@scripts/measure-export $(BUILD) $(RUNS)
	@scripts/measure-reload $(BUILD)
	@scripts/measure-budget $(BUILD)

fuzz:
	@scripts/install-deps fuzz
	@scripts/fetch-fuzz-sources build-fuzz/decoder-sources || \
		echo "Could not fetch the decoders' sources: fuzzing with the system's, uninstrumented"
	@cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_FUZZ=ON -DQV_TESTS=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target qv_fuzz

# Runs one fuzz target over its seeds: make fuzz-run TARGET=ScriptFuzz SECONDS=600
fuzz-run: fuzz
	@scripts/run-fuzz build-fuzz $(TARGET) $(SECONDS)

sanitize: deps
	@cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON $(CMAKE_ARGS) >/dev/null
	@cmake --build build-sanitize -j $(JOBS)
	@# Leaks are not checked here: the system's graphics stack keeps memory to the end of the process
	@# and unloads its drivers before the check, so their reports cannot be told apart; the parsers'
	@# leaks are checked by the fuzz targets.
	@cd build-sanitize && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)

# The program, its documentation and the bundled presentation under PREFIX (bin/, share/).
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package in the build folder: install it with `sudo dpkg -i build/quorin-vanto_*.deb`.
package: build
	@cd $(BUILD) && cpack -G DEB

# The Linux release in the build folder: quorin-vanto-<version>-linux-x86_64/ and its .tar.gz, which run
# where they are unpacked, with the libraries a desktop may lack beside the program (scripts/linux/release).
release: configure
	@scripts/install-deps release
	@cmake --build $(BUILD) -j $(JOBS) --target quorin-vanto example-neon-drift
	@scripts/linux/release $(BUILD)

# The release unpacked in a root made of a desktop's packages alone, and run there with a bare
# environment: Check, PNG frames, a video and a few seconds of play (scripts/linux/check-release).
check-release: release
	@scripts/install-deps check-release
	@scripts/linux/check-release $(BUILD)

# The libraries the Windows build links, cross-built once from Debian's sources into a prefix under
# ~/.cache/quorin-vanto (scripts/windows/build-deps): one job at a low priority unless JOBS is given
# on the command line (make windows-deps JOBS=4).
windows-deps:
	@scripts/install-deps windows
	@scripts/windows/build-deps

# The Windows release in build-windows/: quorin-vanto-<version>-windows-x64/ and its zip, cross-built
# with MinGW-w64 against the libraries above; the bundled presentation comes from the native build.
windows: windows-deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target example-neon-drift
	@JOBS=$(JOBS) CMAKE_ARGS="$(CMAKE_ARGS)" scripts/windows/build build-windows
	@scripts/windows/release build-windows $(BUILD)

# The Windows program under Wine on a virtual X server: its unit tests, then the release's smoke run
# against the native program (scripts/windows/test).
test-windows: windows build
	@scripts/install-deps test-windows
	@JOBS=$(JOBS) CMAKE_ARGS="$(CMAKE_ARGS)" scripts/windows/build --tests build-windows
	@scripts/windows/test build-windows $(BUILD)

# Start to first frame and capture rates of the Windows program under Wine against the native one.
measure-windows: windows build
	@scripts/install-deps test-windows
	@scripts/windows/measure build-windows $(BUILD) $(RUNS)

# Formats every C++ source with clang-format (.clang-format), or only checks it.
format:
	@scripts/install-deps format
	@git ls-files 'Source/*.cpp' 'Source/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'fuzz/*.cpp' 'fuzz/*.h' \
		'tools/*.cpp' 'tools/*.h' | xargs clang-format -i

check-format:
	@scripts/install-deps format
	@scripts/check-format

clean:
	rm -rf $(BUILD) build-bench build-fuzz build-sanitize build-windows
