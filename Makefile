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

# Every benchmark (Google Benchmark), written up in BENCHMARKS.md.
bench: build
	tools/write-benchmarks $(BUILD) BENCHMARKS.md

# The script fuzzer (libFuzzer, clang) for FUZZ_SECONDS, corpus in fuzz-corpus/.
# FUZZ_TARGET=fuzz_png runs the PNG decoder's fuzzer instead, built in
# build-fuzz-png with its corpus in fuzz-corpus/png/ (seeded when empty).
FUZZ_SECONDS ?= 600
FUZZ_TARGET ?= fuzz_script
FUZZ_BUILD_fuzz_script := build-fuzz
FUZZ_CORPUS_fuzz_script := fuzz-corpus
FUZZ_BUILD_fuzz_png := build-fuzz-png
FUZZ_CORPUS_fuzz_png := fuzz-corpus/png
# libpng and the decoder print for every input; libFuzzer and the sanitizers
# still report on their own copy of standard error.
FUZZ_FLAGS_fuzz_png := -close_fd_mask=3
FUZZ_BUILD = $(FUZZ_BUILD_$(FUZZ_TARGET))
FUZZ_CORPUS = $(FUZZ_CORPUS_$(FUZZ_TARGET))
fuzz: deps
	$(if $(FUZZ_BUILD),,$(error FUZZ_TARGET must be fuzz_script or fuzz_png))
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
	    -DQUADRELUME_FUZZ=ON -DQUADRELUME_SANITIZE=ON -DQUADRELUME_TESTS=OFF -DQUADRELUME_BENCH=OFF > /dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGET)
	mkdir -p $(FUZZ_CORPUS)
	$(FUZZ_BUILD)/fuzz/$(FUZZ_TARGET) -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	    $(FUZZ_FLAGS_$(FUZZ_TARGET)) $(FUZZ_CORPUS)

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) build-sanitize build-fuzz build-fuzz-png
