# Thin wrapper over CMake: make run | make test | make bench
BUILD ?= build
JOBS ?= 2
WERROR := $(if $(CI),ON,OFF)

.PHONY: all deps configure build run test bench clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLADDERPOST_WERROR=$(WERROR)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/ladderpost $(ARGS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) --timeout 120

bench: build
	$(BUILD)/bench/list_load_bench

clean:
	rm -rf $(BUILD)
