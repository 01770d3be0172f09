# The front door. Each target configures and builds what it needs by itself.
JOBS      ?= 2
CMAKE     ?= cmake
GENERATOR ?= Ninja
CTEST_ARGS = --output-on-failure -j $(JOBS)
FUZZ_SECONDS ?= 20
# The one Python interpreter of the tools and of the tests that run them (configured into build/
# and build-asan/ when they are first configured).
PYTHON    ?= /usr/bin/python3
WERROR    := $(if $(CI),ON,OFF)
CONFIGURE  = $(CMAKE) -G $(GENERATOR) -DKERNELS_WERROR=$(WERROR) -DKERNELS_PYTHON=$(PYTHON)
# Installs the Debian packages of the groups it is given that the machine lacks (KERNELS_NO_INSTALL=1
# skips it). Configuring build/ finds the packages of the tests and benchmarks too, so every target
# that uses it needs theirs, although run, verify and report build only the runner.
INSTALL_DEPS = tools/install-deps
RUNNER     = ./build/runner/kernels

.PHONY: all build runner run test bench report sanitize fuzz fuzz-seeds format format-check clean \
  verify deps-build deps-sanitize deps-fuzz count-check count-baseline

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

# Everything: the library, the runner, the tests and the benchmarks.
build: build/build.ninja
	$(CMAKE) --build build -j $(JOBS)

# The runner alone, so that its first result does not wait for the tests and benchmarks.
runner: build/build.ninja
	$(CMAKE) --build build -j $(JOBS) --target kernels

run: runner
	$(RUNNER) run all

test: build
	cd build && ctest $(CTEST_ARGS)

# Every known result (runner/results/known_results.jsonl), each case run once.
verify: runner
	$(RUNNER) verify

bench: build/build.ninja
	$(CMAKE) --build build -j $(JOBS) --target kernels-bench
	./build/bench/kernels-bench

# The count gate (docs/counting.md): every job of runner/results/counts/jobs at its quick size,
# counted under Valgrind with the runner of build/ (RelWithDebInfo, -O2: the baseline was recorded
# from that build, and the gate compares only when the compiler, build type and flags, warning
# options aside, are the baseline's). count-check fails when a job's instructions rise by more than 2 % over the
# baseline of this compiler, runner/results/counts/COMPILER-VERSION.jsonl; count-baseline
# rewrites that file (say why in the commit).
count-check: runner
	@$(INSTALL_DEPS) count
	tools/count-gate check --runner $(RUNNER)
count-baseline: runner
	@$(INSTALL_DEPS) count
	tools/count-gate baseline --runner $(RUNNER)

# Sweeps every kernel and writes report/index.html (needs python3-matplotlib). COMPARE=FILE adds a
# saved `kernels compare --json` result to the page; COUNT=1 counts every point under Valgrind too
# (a table of counts and the instruction fits; much slower).
report: runner
	@$(INSTALL_DEPS) report
	$(PYTHON) tools/report --runner $(RUNNER) $(if $(COMPARE),--compare $(COMPARE)) $(if $(COUNT),--count)

# Compiled with -Og rather than -O2: the instrumented build takes 6 minutes instead of 15 on two
# cores, its tests run no slower, and less optimisation removes none of the sanitizers' checks.
build-asan/build.ninja:
	$(CONFIGURE) -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-Og -g -DNDEBUG" \
	  -DKERNELS_SANITIZE=address,undefined -DKERNELS_BENCH=OFF

sanitize: build-asan/build.ninja
	$(CMAKE) --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest $(CTEST_ARGS)

build-fuzz/build.ninja:
	CXX=clang++ $(CONFIGURE) -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKERNELS_FUZZ=ON -DKERNELS_TESTS=OFF -DKERNELS_BENCH=OFF -DKERNELS_SANITIZE=address,undefined

# Each fuzz target for FUZZ_SECONDS seconds, with its working corpus in build-fuzz/corpus/<target>.
# The checked-in seeds of <target> = <name>_fuzz, fuzz/corpus/<name>/, are read as a second corpus
# (new inputs go only to the working one) and fuzz/dict/<name>.dict, when there is one, is its
# dictionary. Findings are written as build-fuzz/<target>-crash-… (or -leak-, -timeout-, …).
fuzz: build-fuzz/build.ninja
	$(CMAKE) --build build-fuzz -j $(JOBS)
	@set -e; for f in build-fuzz/fuzz/*_fuzz; do \
	  name=$$(basename $$f); stem=$${name%_fuzz}; mkdir -p build-fuzz/corpus/$$name; \
	  seeds=; if [ -d fuzz/corpus/$$stem ]; then seeds=fuzz/corpus/$$stem; fi; \
	  dict=; if [ -f fuzz/dict/$$stem.dict ]; then dict=-dict=fuzz/dict/$$stem.dict; fi; \
	  echo "== $$name ($(FUZZ_SECONDS) s)"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 $$dict \
	    -artifact_prefix=build-fuzz/$$name- build-fuzz/corpus/$$name $$seeds; \
	done

# Each fuzz target once over its checked-in seeds (-runs=0: no new inputs), so that a target that
# no longer builds, or that fails on a seed, fails. The seed folder fuzz/corpus/<name>/ must exist.
fuzz-seeds: build-fuzz/build.ninja
	$(CMAKE) --build build-fuzz -j $(JOBS)
	@set -e; for f in build-fuzz/fuzz/*_fuzz; do \
	  name=$$(basename $$f); stem=$${name%_fuzz}; \
	  if [ ! -d fuzz/corpus/$$stem ]; then echo "$$name: no seeds in fuzz/corpus/$$stem" >&2; exit 1; fi; \
	  echo "== $$name: $$(ls fuzz/corpus/$$stem | wc -l) seeds"; \
	  $$f -runs=0 -artifact_prefix=build-fuzz/$$name- fuzz/corpus/$$stem 2>build-fuzz/$$name.log || \
	    { tail -40 build-fuzz/$$name.log >&2; echo "$$name failed on its seeds (log: build-fuzz/$$name.log)" >&2; exit 1; }; \
	done

# Every architecture of cmake/toolchains/ built under build-cross/<arch>/, its known results and
# unit tests run under qemu, and the host built with g++ and with clang++: one table (tools/cross
# --help). ARCHS="i386 s390x" picks rows; QUICK=1 builds the runner only and runs verify --quick;
# SIZE_ONLY=1 builds and measures the size programs only (the table's text column).
# tools/cross installs each row's packages itself.
.PHONY: cross
cross:
	tools/cross --jobs $(JOBS) $(if $(QUICK),--quick) $(if $(SIZE_ONLY),--size-only) \
	  $(if $(filter ON,$(WERROR)),--werror) $(ARCHS)

# The runner built with each compiler and flags of CONFIGS (default: gcc and clang at -O2, -O3,
# -Os and gcc -O3 -march=native), each in build-compilers/<row>/, verified, sized and timed with
# the rows interleaved: one table per metric (tools/compilers --help). REPEAT and ROUNDS set the
# timed runs per round and the rounds.
.PHONY: compilers size
compilers:
	@$(INSTALL_DEPS) build size
	$(PYTHON) tools/compilers --jobs $(JOBS) $(if $(REPEAT),--repeat $(REPEAT)) \
	  $(if $(ROUNDS),--rounds $(ROUNDS)) $(CONFIGS)

# Code size per kernel (ELF section classes, kernel-image subtracted) and compile time per
# subsystem of build/.
size: build/build.ninja
	@$(INSTALL_DEPS) size
	$(CMAKE) --build build -j $(JOBS) --target size-programs
	$(PYTHON) tools/size build
	$(PYTHON) tools/size --compile-time build

format:
	@$(INSTALL_DEPS) format
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails, naming the files, when any tracked C++ file differs from what make format would make of it.
format-check:
	@$(INSTALL_DEPS) format
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

clean:
	rm -rf build build-asan build-fuzz build-cross
