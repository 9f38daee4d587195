# The two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: deps build run test bench fuzz clean

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-show $(BUILD)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	@scripts/run-benchmarks $(BUILD)

fuzz: deps
	@scripts/run-fuzzers

clean:
	rm -rf $(BUILD)
