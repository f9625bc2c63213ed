# Odovex: every set-up step behind two commands, `make run` and `make test`.
BUILD      ?= build
JOBS       ?= $(shell nproc)
BUILD_TYPE ?= RelWithDebInfo
FUZZ_SECONDS ?= 60
# ccache keys on paths relative to the checkout, so every checkout shares one cache.
export CCACHE_BASEDIR ?= $(CURDIR)

.PHONY: all deps build run test bench fuzz format clean windows

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run.sh

# The Windows build first, so that ctest's Windows tests find it built.
test: build windows
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Odovex.exe and build-win/Odovex-win64.zip, cross-built; Qt for Windows is built once and cached.
windows: deps
	@bash scripts/windows.sh build

bench: build
	@bash scripts/bench.sh

fuzz: deps
	@bash scripts/fuzz.sh $(FUZZ_SECONDS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) build-fuzz build-win
