# Odovex: every set-up step behind two commands, `make run` and `make test`.
BUILD      ?= build
export BUILD_WIN ?= build-win
JOBS       ?= $(shell nproc)
BUILD_TYPE ?= RelWithDebInfo
FUZZ_SECONDS ?= 60
# make install: where the program goes, and a staging root in front of it (packagers).
PREFIX     ?= /usr/local
DESTDIR    ?=
# ccache keys on paths relative to the checkout, so every checkout shares one cache (its
# debug information then names the directory that compiled it first).
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1

.PHONY: all deps build run test mutants bench fuzz format clean install deb windows windows-test

all: build

deps:
	@bash scripts/install-deps.sh

# Warnings are errors in the project's own builds, make test and CI (whose compiler and Qt it
# knows), never in a user's: make test turns them on in $(BUILD), and they stay on there.
ODOVEX_WERROR ?= OFF
test: export ODOVEX_WERROR = ON

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DODOVEX_WERROR=$(ODOVEX_WERROR)

build: deps $(BUILD)/CMakeCache.txt
	@[ $(ODOVEX_WERROR) = OFF ] || grep -q '^ODOVEX_WERROR:BOOL=ON$$' $(BUILD)/CMakeCache.txt || \
	  cmake $(BUILD) -DODOVEX_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run.sh

# The Linux tests, then the Windows build's.
test: build windows
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	ctest --test-dir $(BUILD_WIN) --output-on-failure -j $(JOBS)

# Odovex.exe and $(BUILD_WIN)/Odovex-win64.zip, cross-built; Qt for Windows is built once and
# cached.
windows: deps
	@bash scripts/windows.sh

# The Windows build's tests under Wine on a private desktop: the engine and store units and
# Odovex.exe end to end.
windows-test: windows
	ctest --test-dir $(BUILD_WIN) --output-on-failure -j $(JOBS)

# What an installation holds, built alone: the program and the compressed documents (the
# tests and benchmarks are left for `make build`).
PACKAGED = odovex odovex_docs

install: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target $(PACKAGED)
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)" --strip

# The Debian package odovex_<version>_amd64.deb, built in $(BUILD)/package and copied here.
deb: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target $(PACKAGED)
	cpack --config $(BUILD)/CPackConfig.cmake -B $(BUILD)/package
	cp $(BUILD)/package/odovex_*_amd64.deb .

# Plants each fault of tests/mutants/ (or those whose names start as MUTANTS="03 17" give) in a
# copy of the sources; every one must fail a test.
mutants: deps
	@JOBS=$(JOBS) bash scripts/mutants.sh $(MUTANTS)

bench: build
	@bash scripts/bench.sh

fuzz: deps
	@bash scripts/fuzz.sh $(FUZZ_SECONDS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) build-fuzz $(BUILD_WIN)
