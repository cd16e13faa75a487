# make run: build and start the viewer (under Wine on Linux).
# make test: build everything and run every test.
# make bench: build everything and run the benchmarks (not part of make test).
# make fuzz: a long fuzz run (QB_FUZZ_LONG_SECONDS, default 600).
BUILD ?= build
JOBS ?= $(shell nproc)
NATIVE := $(BUILD)/native
WIN32 := $(BUILD)/win32
WIN64 := $(BUILD)/win64
CMAKE_OPTS ?=

.PHONY: all deps build run test bench fuzz dist clean

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

# A long fuzz run of the core's readers, outside make test.
fuzz: build
	cmake --build $(NATIVE) --target fuzz

bench: build
	bench/run-bench.sh $(BUILD)/bench $(WIN32) $(WIN64)

# The release: the shipped exe and a short user README, with fixed file dates
# so that the same commit always packs the same bytes.
DIST_NAME := QuellmarkBrenvik-1.0.0.0-win32
dist: deps
	cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel $(CMAKE_OPTS)
	cmake --build $(WIN32) -j $(JOBS) --target QuellmarkBrenvik
	rm -rf $(BUILD)/dist && mkdir -p $(BUILD)/dist dist
	cp $(WIN32)/QuellmarkBrenvik.exe $(BUILD)/dist/
	cp docs/UserReadme.txt $(BUILD)/dist/README.txt
	touch -d 2026-01-01T00:00:00Z $(BUILD)/dist/*
	rm -f dist/$(DIST_NAME).zip
	cd $(BUILD)/dist && TZ=UTC zip -X -q $(abspath dist)/$(DIST_NAME).zip QuellmarkBrenvik.exe README.txt
	@echo "dist/$(DIST_NAME).zip"

clean:
	rm -rf $(BUILD)
