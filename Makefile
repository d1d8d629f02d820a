# A thin wrapper over CMake. `make run` and `make test` install whatever
# Debian packages are missing first (apt-get as root, sudo otherwise).

BUILD ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)
DEMO ?= examples/aurora

.PHONY: all deps configure build run capture publish screenshots test test-plain test-sanitize bench fuzz install package clean

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

# An editing session: it keeps going through saves that do not build, and on
# the timer clock where there is no sound output.
run: build examples/aurora/demo.ogg
	$(CURDIR)/$(BUILD)/quadrelume --edit $(DEMO)

# Renders DEMO headless into CAPTURE: a .mp4, .mkv or .webm file with the
# music, or PNG frames (frames/%05d.png, or an existing folder). CAPTURE_ARGS
# adds options, for example CAPTURE_ARGS="--size 1280x720 --fps 30".
CAPTURE ?= aurora.mp4
CAPTURE_ARGS ?=
capture: build examples/aurora/demo.ogg
	$(BUILD)/quadrelume-capture --demo $(DEMO) $(CAPTURE_ARGS) $(CAPTURE)

# Writes DEMO as a web page into WEB, a new or empty folder outside it:
# index.html, the web player and the demo's files. Serve it with, say,
# python3 -m http.server --directory $(WEB).
WEB ?= aurora-web
publish: build examples/aurora/demo.ogg
	$(BUILD)/quadrelume-publish --demo $(DEMO) $(WEB)

# The README's screenshots, made with quadrelume-capture.
screenshots: build
	tools/make-screenshots $(BUILD)

# What CI runs: the whole suite, then the whole suite again built with
# AddressSanitizer and UndefinedBehaviorSanitizer.
test:
	$(MAKE) test-plain
	$(MAKE) test-sanitize

# The suite of one build.
test-plain: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize:
	$(MAKE) test-plain BUILD=build-sanitize CMAKE_FLAGS="-DQUADRELUME_SANITIZE=ON -DQUADRELUME_BENCH=OFF"

# Every benchmark (Google Benchmark), written up in BENCHMARKS.md.
bench: build examples/aurora/demo.ogg
	tools/write-benchmarks $(BUILD) BENCHMARKS.md

# The fuzzers (libFuzzer, clang, with AddressSanitizer and
# UndefinedBehaviorSanitizer), all built in build-fuzz. FUZZ_TARGET chooses the
# one to run for FUZZ_SECONDS: fuzz_script (the expression language),
# fuzz_timeline (time.txt), fuzz_ogg (the music file), fuzz_png (textures),
# fuzz_sync_commands (the sync editors' commands) or fuzz_track_file (track
# files).
# Its corpus is fuzz-corpus/<target>/, seeded from the tests when empty; what
# it finds goes to fuzz-corpus/artifacts/<target>/. FUZZ_ARGS adds libFuzzer
# flags (e.g. -fork=1 -ignore_crashes=1 to go on after a finding).
FUZZ_SECONDS ?= 600
FUZZ_ARGS ?=
FUZZ_TARGET ?= fuzz_script
FUZZ_TARGETS := fuzz_script fuzz_timeline fuzz_ogg fuzz_png fuzz_sync_commands fuzz_track_file
FUZZ_BUILD := build-fuzz
FUZZ_CORPUS = fuzz-corpus/$(FUZZ_TARGET)
FUZZ_ARTIFACTS = fuzz-corpus/artifacts/$(FUZZ_TARGET)
FUZZ_FLAGS_fuzz_script := -dict=$(CURDIR)/fuzz/script.dict
# Tremor divides by zero on some damaged set-up headers (a residue whose
# partition codebook has dimension 0), which nothing before it can catch; the
# music fuzzer goes on past such crashes and collects them as artifacts.
FUZZ_FLAGS_fuzz_ogg := -dict=$(CURDIR)/fuzz/ogg.dict -fork=1 -ignore_crashes=1
# libpng and the decoder print for every input; libFuzzer and the sanitizers
# still report on their own copy of standard error.
FUZZ_FLAGS_fuzz_png := -close_fd_mask=3
fuzz: deps
	$(if $(filter $(FUZZ_TARGET),$(FUZZ_TARGETS)),,$(error FUZZ_TARGET must be one of $(FUZZ_TARGETS)))
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
	    -DQUADRELUME_FUZZ=ON -DQUADRELUME_SANITIZE=ON -DQUADRELUME_TESTS=OFF -DQUADRELUME_BENCH=OFF > /dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)
	tools/seed-fuzz-corpora fuzz-corpus
	mkdir -p $(FUZZ_ARTIFACTS)
	$(FUZZ_BUILD)/fuzz/$(FUZZ_TARGET) -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	    -artifact_prefix=$(CURDIR)/$(FUZZ_ARTIFACTS)/ $(FUZZ_FLAGS_$(FUZZ_TARGET)) $(FUZZ_ARGS) $(CURDIR)/$(FUZZ_CORPUS)

# Installs the programs, their manual pages and completion, the guides and
# the example demos under the CMake install prefix (/usr/local unless
# CMAKE_FLAGS=-DCMAKE_INSTALL_PREFIX=... says otherwise).
install: build
	cmake --install $(BUILD)

# The Debian package, $(BUILD)/quadrelume_VERSION_ARCH.deb, made by CPack
# from the same install rules, for /usr. tools/package-round-trip installs
# and removes it on this machine.
package: build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) build-sanitize build-fuzz
