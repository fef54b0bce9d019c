# Entry points. `make run` starts the program, `make test` builds everything
# and runs every test; both install the Debian packages they need first.
BUILD := build/default
FUZZ_SECONDS ?= 140
MAGCFG := $(BUILD)/platform/qt/magcfg

.PHONY: all setup build run test bench fuzz clean

all: build

setup:
	scripts/setup.sh base

build: setup
	cmake --preset default
	cmake --build --preset default

run: build
	scripts/run.sh $(MAGCFG)

test: build
	ctest --preset default

bench: build
	$(BUILD)/bench/magcfg_bench
	$(BUILD)/bench/magcfg_fleet_bench
	$(BUILD)/bench/magcfg_startup_bench $(BUILD)/bench/magcfg_startup_probe

fuzz:
	scripts/setup.sh base fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz
	scripts/fuzz.sh $(FUZZ_SECONDS)

clean:
	rm -rf build
