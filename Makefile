# A thin wrapper over the CMake presets. `make test` and `make run` install
# what is missing first, so both work on a fresh Debian machine.
PRESET ?= default

.PHONY: all deps configure build test run demo clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

test: build
	@ctest --preset $(PRESET)

run: build
	@build/$(PRESET)/src/tarvik

# The station against the virtual positioner: no camera needed.
demo: configure
	@scripts/demo.sh --preset $(PRESET)

clean:
	@rm -rf build
