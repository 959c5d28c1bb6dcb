# The two commands a new user needs: `make run` and `make test`.
BUILD_DIR    ?= build
SANITIZE_DIR ?= build-sanitize
BUILD_TYPE   ?= Release
JOBS         ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test sanitize bench clean

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

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
