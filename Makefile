# Tavrin: every target installs what is missing first (scripts/setup), then configures and builds.
BUILD       ?= build
ASAN_BUILD  ?= build-asan
TSAN_BUILD  ?= build-tsan
FUZZ_BUILD  ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZERS     ?=
CMAKE_FLAGS ?=

.PHONY: all setup configure build run test bench asan tsan fuzz format clean

all: build

setup:
	scripts/setup

configure: setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

run: build
	$(BUILD)/Tavrin/Tavrin

test: build
	scripts/run-tests $(BUILD)

bench: build
	scripts/run-bench $(BUILD)

asan: setup
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DTAVRIN_SANITIZE=address,undefined -DTAVRIN_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		scripts/run-tests $(ASAN_BUILD)

tsan: setup
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DTAVRIN_SANITIZE=thread -DTAVRIN_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(TSAN_BUILD)
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/scripts/tsan.supp \
		scripts/run-tests $(TSAN_BUILD) -L 'basalt|store'

fuzz: setup
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DTAVRIN_BUILD_FUZZ=ON -DTAVRIN_BUILD_TESTS=OFF -DTAVRIN_BUILD_BENCH=OFF \
		-DTAVRIN_SANITIZE=address,undefined $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD)
	scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZERS)

format:
	find Basalt Threadwork Tavrin tests bench fuzz \( -name '*.h' -o -name '*.cpp' \) -print0 | \
		xargs -0 clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
