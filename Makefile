# make run   — install what is missing, build, make a demo run/data.mdb if none, start the program
# make test  — install what is missing, build, run every test through CTest
# make bench — build and run the benchmarks
# make fuzz  — install what is missing, build the libFuzzer targets (clang) in build-fuzz, run each FUZZ_SECONDS (60)
# make deb   — build the Debian package (BUILD/kestrix_VERSION_ARCH.deb)
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: setup build run test bench fuzz deb clean

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

bench: build
	bash scripts/run-benchmarks.sh $(BUILD)

fuzz: setup
	bash scripts/fuzz.sh build-fuzz

deb: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
