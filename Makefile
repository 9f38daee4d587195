# The two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

MAKEFLAGS += --no-print-directory

.PHONY: deps build run test golden test-sanitize valgrind bench fuzz release release-check clean deps-windows windows test-windows

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-show $(BUILD)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Rewrites the golden references (tests/golden/ref/*.png) from this machine's rendering. Only
# on purpose: look at every changed picture (git status) before committing it.
golden: build
	@VELMORA_GOLDEN_UPDATE=1 $(BUILD)/golden_tests
	@git status --short tests/golden/ref

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer in its own folder.
# Leaks inside system libraries (Mesa, Vorbis, ...) are suppressed by tests/lsan.supp.
SANITIZE_BUILD ?= build-sanitize
SANITIZE_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) $(CMAKE_FLAGS) -DVELMORA_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@$(SANITIZE_ENV) ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS) --timeout 3000

# The embedded show headless under valgrind memcheck (slow: a few sections, not the whole run).
VALGRIND_DURATION ?= 35
valgrind: build
	@scripts/run-valgrind $(BUILD) $(VALGRIND_DURATION)

# Builds quietly what the benchmarks need and prints only their results.
bench: deps
	@scripts/run-benchmarks $(BUILD)

fuzz: deps
	@scripts/run-fuzzers

# The Windows players, build-windows/velmora.exe and velmora-pack.exe, cross-built with MinGW-w64
# against libraries built from the release's source packages (scripts/build-static-deps, cached
# outside the tree). The show archive is the Linux build's: its asset generators run here only.
WINDOWS_BUILD ?= build-windows
deps-windows: deps
	@scripts/install-deps --windows

windows: deps-windows
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target show_archive
	@prefix=$$(scripts/build-static-deps windows) && \
	  cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_EXE_LINKER_FLAGS=-s \
	    -DVELMORA_DEPS_PREFIX="$$prefix" -DVELMORA_SHOW_ARCHIVE=$(CURDIR)/$(BUILD)/show.rar >/dev/null
	@cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target velmora velmora-pack

# The Windows players under wine in Xvfb against the Linux build (tests/windows/run-under-wine).
test-windows: windows
	@cmake --build $(BUILD) -j $(JOBS) --target velmora compare_capture
	@tests/windows/run-under-wine $(BUILD) $(WINDOWS_BUILD)

# The portable players and their archives in dist/ (scripts/make-release), and their check in a
# minimal Debian root that has none of the libraries they carry (scripts/release-check).
RELEASE_BUILD ?= build-release
release:
	@scripts/install-deps --release
	@scripts/make-release $(BUILD) $(RELEASE_BUILD)

release-check: release
	@cmake --build $(BUILD) -j $(JOBS) --target compare_capture
	@scripts/release-check $(BUILD)

clean:
	rm -rf $(BUILD)
