# Entry points. `make run` starts the program, `make test` builds everything
# and runs every test; both install the Debian packages they need first.
BUILD := build/default
FUZZ_SECONDS ?= 140
MAGCFG := $(BUILD)/platform/qt/magcfg

.PHONY: all setup build run test e2e e2e-wine bench fuzz windows package clean

all: build

setup:
	scripts/setup.sh base

build: setup
	cmake --preset default
	cmake --build --preset default

run: build
	scripts/run.sh $(MAGCFG)

test:
	scripts/setup.sh base fuzz package windows e2e
	scripts/test_all.sh

# The Linux binaries against the real kernel, in a QEMU machine with gadget
# card readers (no KVM needed).
e2e: build
	scripts/setup.sh e2e
	scripts/e2e/run.sh

# The Windows program under Wine in the same machine, against a gadget
# reader through Wine's own HID stack.
e2e-wine: build
	scripts/setup.sh windows e2e
	cmake --preset mingw
	cmake --build --preset mingw
	scripts/e2e/run-wine.sh

# Every benchmark program runs, even after one has broken a goal; then the
# target fails, naming the programs whose goals were broken.
bench: build
	@broken=""; \
	$(BUILD)/bench/magcfg_bench || broken="$$broken magcfg_bench"; \
	$(BUILD)/bench/magcfg_fleet_bench || broken="$$broken magcfg_fleet_bench"; \
	$(BUILD)/bench/magcfg_startup_bench $(BUILD)/bench/magcfg_startup_probe || broken="$$broken magcfg_startup_bench"; \
	if [ -n "$$broken" ]; then echo "make bench: goals broken in:$$broken (see their verdict lines above)"; exit 1; fi; \
	echo "make bench: every goal met"

fuzz:
	scripts/setup.sh base fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz
	scripts/fuzz.sh $(FUZZ_SECONDS)

# The Windows programs, their installer and a portable zip, in build/mingw.
windows:
	scripts/setup.sh base windows
	cmake --preset mingw
	cmake --build --preset mingw
	@ls -1 build/mingw/platform/win32/magcfg.exe build/mingw/cli/magcfg-cli.exe build/mingw/magcfg-*-x64.msi \
	  build/mingw/magcfg-*-windows-x64.zip

package:
	scripts/setup.sh base package
	scripts/build_package.sh build/package

clean:
	rm -rf build
