# make run   — install what is missing, build, make a demo run/data.mdb if none, start the program
# make test  — install what is missing, build, run every test through CTest
# make test-sanitize — the same tests built with AddressSanitizer and UBSan (build-sanitize/)
# make bench — build and run the benchmarks
# make fuzz  — install what is missing, build the libFuzzer targets (clang) in build-fuzz, run each FUZZ_SECONDS (60)
# make deb   — build the Debian package (BUILD/kestrix_VERSION_ARCH.deb)
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: setup build run test test-sanitize bench fuzz deb clean

setup:
	bash scripts/setup.sh

build: setup
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	mkdir -p run
	test -f run/data.mdb || $(BUILD)/kestrix-newdb --demo run/data.mdb
	cd run && ../$(BUILD)/kestrix

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Leaks are reported at each test program's exit; only those inside Qt,
# fontconfig or the GL stack are suppressed (tests/sanitize/lsan.supp).
SANITIZE_BUILD ?= build-sanitize
SANITIZE_ENV = ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=0 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-sanitize: setup
	cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DKX_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(SANITIZE_ENV) QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	bash scripts/run-benchmarks.sh $(BUILD)

fuzz: setup
	bash scripts/fuzz.sh build-fuzz

deb: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
