# Thin wrapper over CMake: make run | make test | make bench | make package | make test-sanitize
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS ?= 2
WERROR := $(if $(CI),ON,OFF)
SANITIZE_BUILD ?= build-asan

.PHONY: all deps configure build run test bench package test-sanitize clean

all: build

deps:
	scripts/install-deps

# Configured once per build folder; after that ninja reruns CMake itself when a
# CMakeLists.txt changes, and a changed dependency list configures anew.
configure: $(BUILD)/build.ninja

$(BUILD)/build.ninja: scripts/install-deps
	scripts/install-deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DLADDERPOST_WERROR=$(WERROR) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/ladderpost $(ARGS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) --timeout 120

bench: build
	$(BUILD)/bench/list_load_bench
	$(BUILD)/bench/send_bench

# A Debian package in $(BUILD): sudo apt install ./$(BUILD)/ladderpost_*.deb
package: build
	cd $(BUILD) && cpack

# The suite once more under AddressSanitizer (with its leak check) and
# UndefinedBehaviorSanitizer, built without precompiled headers so every file must
# include what it uses. Any finding fails the test that met it.
test-sanitize:
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
		$(MAKE) test BUILD=$(SANITIZE_BUILD) BUILD_TYPE=Debug \
		CMAKE_FLAGS="-DLADDERPOST_SANITIZE=ON -DLADDERPOST_PCH=OFF"

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
