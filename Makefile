# A thin wrapper over CMake. `make run` and `make test` install whatever
# Debian packages are missing first (apt-get as root, sudo otherwise).

BUILD ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)
DEMO ?= examples/hello

.PHONY: all deps configure build run test test-sanitize install clean

all: build

deps:
	@tools/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(DEMO) && $(CURDIR)/$(BUILD)/quadrelume

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole suite once more, built with AddressSanitizer and
# UndefinedBehaviorSanitizer.
test-sanitize:
	$(MAKE) test BUILD=build-sanitize CMAKE_FLAGS="-DQUADRELUME_SANITIZE=ON -DQUADRELUME_BENCH=OFF"

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) build-sanitize
