# The user commands: `make demo` plays the bundled presentation, `make test` runs every test.
BUILD      ?= build
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
DEMO       ?= examples/neon-drift
RUNS       ?= 5

.PHONY: all deps configure build test demo bench measure fuzz sanitize clean

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

# Start to first frame and capture throughput of the example, each the median of several runs.
measure: build
	@scripts/measure-startup $(BUILD) $(RUNS)

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_FUZZ=ON -DQV_TESTS=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS)

sanitize: deps
	@cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON >/dev/null
	@cmake --build build-sanitize -j $(JOBS)
	@cd build-sanitize && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) build-bench build-fuzz build-sanitize
