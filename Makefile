# Quick start: `make demo` runs the tool on the bundled sample skin,
# `make test` runs every test (normal build, then ASan+UBSan, then TSan for
# the concurrency tests). Both install missing packages first.
JOBS ?= $(shell nproc)
CMAKE ?= cmake
CTEST ?= ctest
GEN := -G Ninja

RELEASE := build/release
ASAN := build/asan
TSAN := build/tsan

.PHONY: all deps build test test-release test-asan test-tsan demo bench fuzz clean windows

all: build

deps:
	@scripts/install-deps.sh

$(RELEASE)/build.ninja: | deps
	$(CMAKE) -S . -B $(RELEASE) $(GEN) -DCMAKE_BUILD_TYPE=Release

$(ASAN)/build.ninja: | deps
	$(CMAKE) -S . -B $(ASAN) $(GEN) -DCMAKE_BUILD_TYPE=Debug -DQUENLOFT_SANITIZE=address \
	  -DQUENLOFT_BUILD_BENCHMARKS=OFF

$(TSAN)/build.ninja: | deps
	$(CMAKE) -S . -B $(TSAN) $(GEN) -DCMAKE_BUILD_TYPE=Debug -DQUENLOFT_SANITIZE=thread \
	  -DQUENLOFT_BUILD_BENCHMARKS=OFF -DQUENLOFT_BUILD_EXAMPLES=OFF

build: $(RELEASE)/build.ninja
	$(CMAKE) --build $(RELEASE) -j $(JOBS)

test-release: $(RELEASE)/build.ninja
	$(CMAKE) --build $(RELEASE) -j $(JOBS)
	$(CTEST) --test-dir $(RELEASE) -j $(JOBS) --output-on-failure

test-asan: $(ASAN)/build.ninja
	$(CMAKE) --build $(ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  $(CTEST) --test-dir $(ASAN) -j $(JOBS) --output-on-failure

# Only the tests labelled "concurrency" run under ThreadSanitizer.
test-tsan: $(TSAN)/build.ninja
	$(CMAKE) --build $(TSAN) -j $(JOBS)
	TSAN_OPTIONS=halt_on_error=1 $(CTEST) --test-dir $(TSAN) -j $(JOBS) -L concurrency \
	  --output-on-failure --no-tests=ignore

test: test-release test-asan test-tsan

demo: build
	@scripts/demo.sh $(RELEASE)

bench: $(RELEASE)/build.ninja
	$(CMAKE) --build $(RELEASE) -j $(JOBS)
	@for b in $(RELEASE)/bin/bench_*; do $$b; done

# Each fuzz target for FUZZ_SECONDS (default 60) from its seed corpus, with
# clang's libFuzzer (skipped without it); see scripts/fuzz.sh.
fuzz: | deps
	@JOBS=$(JOBS) scripts/fuzz.sh

# The Windows DLLs cross-built with MinGW-w64, their tests run under Wine
# (build/windows; see scripts/windows-build.sh).
windows:
	@scripts/install-windows-deps.sh
	@JOBS=$(JOBS) scripts/windows-build.sh

clean:
	rm -rf build out
