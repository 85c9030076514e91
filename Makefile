# Two commands: `make run` and `make test`. Each installs what it needs first.
JOBS := $(shell nproc)
# Compiler cache hits across clones in other folders (CI builds a fresh clone each run).
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := true
RUN_DIR := build/release
TEST_DIR := build/asan
FUZZ_DIR := build/fuzz
BENCH_DIR := build/bench
FUZZ_SECONDS ?= 60

.PHONY: run test fuzz bench setup clean

setup:
	@tools/setup.sh

run: setup
	cmake -S . -B $(RUN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_TESTS=OFF
	cmake --build $(RUN_DIR) --target tessaline-dsp-control -j $(JOBS)
	$(RUN_DIR)/tessaline-dsp-control

test: setup
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS)

fuzz:
	@tools/setup.sh --fuzz
	CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_FUZZ=ON -DKESTREL_TESTS=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	tools/fuzz-all.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

bench: setup
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL_BENCH=ON -DKESTREL_TESTS=OFF
	cmake --build $(BENCH_DIR) -j $(JOBS)
	tools/bench-all.sh $(BENCH_DIR)

clean:
	rm -rf build
