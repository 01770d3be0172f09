# The front door. Each target configures and builds what it needs by itself.
JOBS      ?= 2
CMAKE     ?= cmake
GENERATOR ?= Ninja
WERROR    := $(if $(CI),ON,OFF)
CONFIGURE  = $(CMAKE) -G $(GENERATOR) -DKERNELS_WERROR=$(WERROR)
CTEST_ARGS = --output-on-failure -j $(JOBS)
FUZZ_SECONDS ?= 20
# Installs the Debian packages of the groups it is given that the machine lacks (KERNELS_NO_INSTALL=1
# skips it). build/ holds the tests and benchmarks too, so run, test and bench all need theirs.
INSTALL_DEPS = tools/install-deps

.PHONY: all build run test bench sanitize fuzz format clean deps-build deps-sanitize deps-fuzz

all: build

deps-build:
	@$(INSTALL_DEPS) build tests bench
deps-sanitize:
	@$(INSTALL_DEPS) build tests
deps-fuzz:
	@$(INSTALL_DEPS) build fuzz

# Each build folder checks its packages before every use, configured or not.
build/build.ninja: | deps-build
build-asan/build.ninja: | deps-sanitize
build-fuzz/build.ninja: | deps-fuzz

build/build.ninja:
	$(CONFIGURE) -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: build/build.ninja
	$(CMAKE) --build build -j $(JOBS)

run: build
	./build/tools/kernels/kernels run all

test: build
	cd build && ctest $(CTEST_ARGS)

bench: build
	./build/bench/kernels-bench

build-asan/build.ninja:
	$(CONFIGURE) -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKERNELS_SANITIZE=address,undefined -DKERNELS_BENCH=OFF

sanitize: build-asan/build.ninja
	$(CMAKE) --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest $(CTEST_ARGS)

build-fuzz/build.ninja:
	CXX=clang++ $(CONFIGURE) -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKERNELS_FUZZ=ON -DKERNELS_TESTS=OFF -DKERNELS_BENCH=OFF -DKERNELS_SANITIZE=address,undefined

# Each fuzz target for FUZZ_SECONDS seconds, with its corpus in build-fuzz/corpus/<target>.
fuzz: build-fuzz/build.ninja
	$(CMAKE) --build build-fuzz -j $(JOBS)
	@set -e; for f in build-fuzz/fuzz/*_fuzz; do \
	  name=$$(basename $$f); mkdir -p build-fuzz/corpus/$$name; \
	  echo "== $$name ($(FUZZ_SECONDS) s)"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=build-fuzz/ build-fuzz/corpus/$$name; \
	done

format:
	@$(INSTALL_DEPS) format
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan build-fuzz
