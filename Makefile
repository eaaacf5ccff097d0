# The two commands of the README's Quick start:
#   make run    installs what is missing, builds, and starts Ponderino
#   make test   installs what is missing, builds, and runs the whole test suite
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: run test build deps deps-test clean windows web

deps:
	@bash scripts/deps.sh

deps-test:
	@bash scripts/deps.sh test

# make run builds the program alone (a first configure leaves the tests, benchmarks
# and fuzzers out, so their packages are not needed); make test builds everything.
build: deps
	@[ -f $(BUILD)/CMakeCache.txt ] || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DPONDERINO_TESTS=OFF -DPONDERINO_BENCH=OFF -DPONDERINO_FUZZ=OFF
	cmake --build $(BUILD) -j $(JOBS) --target ponderino

run: build
	cd $(BUILD)/bin && ./ponderino

test: deps-test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DPONDERINO_TESTS=ON -DPONDERINO_BENCH=ON -DPONDERINO_FUZZ=ON
	cmake --build $(BUILD) -j $(JOBS)
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) build-win build-web

# Ponderino for Windows: cross-built with mingw-w64 against a static Qt (built once per
# machine into ~/.cache/ponderino), its tests run under Wine, and its installer.
windows:
	@bash scripts/windows.sh

# Ponderino in the browser: the static folder build-web/ (the core in WebAssembly, the
# page, its pictures and Help.htm), then its tests in Debian's chromium.
web:
	@BUILD=$(BUILD) bash scripts/web.sh

# The whole test suite once under AddressSanitizer (with LeakSanitizer) and
# UndefinedBehaviorSanitizer, in a build tree of its own. Leaks inside third-party
# libraries are suppressed by tests/sanitizer/lsan.supp; nothing of our own is.
ASAN_BUILD ?= build-asan

.PHONY: sanitizers
sanitizers: deps-test
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug \
	  -DPONDERINO_FUZZ=OFF -DPONDERINO_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp \
	UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) -j 2 --output-on-failure
