# A thin wrapper over CMake. `make run` and `make test` install whatever
# Debian packages are missing first (apt-get as root, sudo otherwise).

BUILD ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)
DEMO ?= examples/aurora

.PHONY: all deps configure build run test test-sanitize bench fuzz install clean

all: build

deps:
	@tools/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The example demo's music is synthesised, not stored.
examples/aurora/demo.ogg: tools/make-example-music
	tools/make-example-music $@

run: build examples/aurora/demo.ogg
	cd $(DEMO) && $(CURDIR)/$(BUILD)/quadrelume

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole suite once more, built with AddressSanitizer and
# UndefinedBehaviorSanitizer.
test-sanitize:
	$(MAKE) test BUILD=build-sanitize CMAKE_FLAGS="-DQUADRELUME_SANITIZE=ON -DQUADRELUME_BENCH=OFF"

# The per-frame benchmarks (Google Benchmark).
bench: build
	$(BUILD)/bench/script_bench

# The script fuzzer (libFuzzer, clang) for FUZZ_SECONDS, corpus in fuzz-corpus/.
FUZZ_SECONDS ?= 600
fuzz: deps
	@cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
	    -DQUADRELUME_FUZZ=ON -DQUADRELUME_SANITIZE=ON -DQUADRELUME_TESTS=OFF -DQUADRELUME_BENCH=OFF > /dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzz_script
	mkdir -p fuzz-corpus
	build-fuzz/fuzz/fuzz_script -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 fuzz-corpus

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) build-sanitize build-fuzz
