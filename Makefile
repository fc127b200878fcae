# Thin wrappers over CMake and Ninja. Every target first makes sure the
# Debian packages are there (quick when they are).
BUILD      ?= build
SANITIZE   ?= build-sanitize
TSAN       ?= build-tsan
BENCHDIR   ?= build-bench
FUZZDIR    ?= build-fuzz
FUZZ_SECONDS ?= 60
PREFIX     ?= /usr/local
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all deps configure build run test sanitize tsan bench fuzz screenshots install package clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only what the program needs: no tests, no command line.
run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target wayline
	./$(BUILD)/bin/wayline

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

sanitize: deps
	@cmake -S . -B $(SANITIZE) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DWAYLINE_WITH_UI=OFF -DWAYLINE_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE) -j $(JOBS)
	cd $(SANITIZE) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

# The identification threads and the scan under ThreadSanitizer: the
# core's scan, identification and download (comm_core_tests) and the scan
# as the program runs it, on Qt's threads and event loop (comm_qt_tests).
# Qt itself is not instrumented; scripts/tsan.supp names the reports from
# inside it that are no race.
TSAN_CORE_TESTS = SerialTest.*:PortScanTest.*:Identify*:DownloadTest.*
TSAN_QT_TESTS = QtThreadsTest.*
tsan: deps
	@cmake -S . -B $(TSAN) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWAYLINE_TSAN=ON \
	  $(CMAKE_ARGS) >/dev/null
	@cmake --build $(TSAN) -j $(JOBS) --target comm_core_tests comm_qt_tests
	@export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 \
	  suppressions=$(CURDIR)/scripts/tsan.supp" QT_QPA_PLATFORM=offscreen; \
	  set -e; $(TSAN)/bin/comm_core_tests --gtest_brief=1 --gtest_filter='$(TSAN_CORE_TESTS)'; \
	  $(TSAN)/bin/comm_qt_tests --gtest_brief=1 --gtest_filter='$(TSAN_QT_TESTS)'

bench: deps
	@cmake -S . -B $(BENCHDIR) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DWAYLINE_WITH_UI=OFF -DWAYLINE_BENCH=ON >/dev/null
	@cmake --build $(BENCHDIR) -j $(JOBS)
	@set -e; found=0; for b in $(BENCHDIR)/bin/bench_*; do \
	  [ -x "$$b" ] || continue; found=1; echo "== $$b"; "$$b"; done; \
	  [ $$found -eq 1 ] || echo "no benchmarks yet"

fuzz: deps
	@CXX=clang++ cmake -S . -B $(FUZZDIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DWAYLINE_WITH_UI=OFF -DWAYLINE_FUZZ=ON >/dev/null
	@cmake --build $(FUZZDIR) -j $(JOBS)
	@set -e; for f in $(FUZZDIR)/bin/fuzz_*; do \
	  [ -x "$$f" ] || continue; name=$$(basename $$f); \
	  mkdir -p $(FUZZDIR)/corpus/$$name; \
	  echo "== $$name for $(FUZZ_SECONDS) s"; \
	  "$$f" -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    $(FUZZDIR)/corpus/$$name fuzz/corpus/$${name#fuzz_}; done

screenshots: build
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/bin/wayline-screenshots $(BUILD)/screenshots

# The programs, the desktop entry, the icons and the udev rule, under
# PREFIX (DESTDIR is honoured).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package of the same, in $(BUILD)/.
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(SANITIZE) $(TSAN) $(BENCHDIR) $(FUZZDIR)
