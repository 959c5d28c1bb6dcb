# The two commands a new user needs: `make run` and `make test`.
BUILD_DIR    ?= build
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR     ?= build-fuzz
FUZZ_SECONDS ?= 60
BUILD_TYPE   ?= Release
JOBS         ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test sanitize bench fuzz fuzz-run clean

all: build

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD_DIR) --parallel $(JOBS)

run: build
	cd $(BUILD_DIR) && ./tarvix

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure --parallel $(JOBS)

sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DTARVIX_SANITIZE=ON -DTARVIX_BUILD_BENCH=OFF
	cmake --build $(SANITIZE_DIR) --parallel $(JOBS)
	cd $(SANITIZE_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure --parallel $(JOBS)

bench: build
	cmake --build $(BUILD_DIR) --target tarvix_benchmarks --parallel $(JOBS)

# libFuzzer programs for the geometry library's readers; they need clang.
fuzz:
	@if command -v clang++ >/dev/null 2>&1; then \
	    cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	        -DTARVIX_FUZZ=ON && \
	    cmake --build $(FUZZ_DIR) --parallel $(JOBS); \
	else \
	    echo "fuzz: clang++ not found; the libFuzzer programs need clang"; \
	fi

# Runs every fuzzer for FUZZ_SECONDS, one after the other, at the lowest priority.
fuzz-run: fuzz
	./scripts/run-fuzzers $(FUZZ_DIR) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR)
