# make run: build and start the viewer (under Wine on Linux).
# make test: build everything and run every test.
BUILD ?= build
JOBS ?= $(shell nproc)
NATIVE := $(BUILD)/native
WIN32 := $(BUILD)/win32
WIN64 := $(BUILD)/win64
CMAKE_OPTS ?=

.PHONY: all deps build run test clean

all: build

deps:
	@scripts/deps.sh

build: deps
	cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel $(CMAKE_OPTS)
	cmake --build $(WIN32) -j $(JOBS)
	cmake -S . -B $(WIN64) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel $(CMAKE_OPTS)
	cmake --build $(WIN64) -j $(JOBS)
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQB_WIN32_DIR=$(abspath $(WIN32)) -DQB_WIN64_DIR=$(abspath $(WIN64)) $(CMAKE_OPTS)
	cmake --build $(NATIVE) -j $(JOBS)

run: build
	scripts/run-wine.sh $(abspath $(BUILD))

test: build
	ctest --test-dir $(NATIVE) --output-on-failure --timeout 900

clean:
	rm -rf $(BUILD)
