# make run   install the dependencies, build, start Sorabun
# make test  install the dependencies, build, run every test (plain and ASan+UBSan builds)
# make bench build and print the performance figures
# make fuzz  run each fuzz target for FUZZ_SECONDS (default 60)
# make crashpoints  a session killed after each of its writes to the store and history
# make soak  the store under kills and a second instance at length, crash points, long fuzzing

JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo


.PHONY: all deps build run test test-plain test-asan test-fuzz bench fuzz crashpoints soak format clean

all: build

deps:
	@./scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	env -u QT_QPA_PLATFORM $(BUILD)/src/sorabun $(ARGS)

test: test-plain test-fuzz test-asan

test-plain: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Built with clang: it compiles the sanitized build about a third faster.
$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DSORABUN_SANITIZE=ON \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++

test-asan: deps $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS) -LE "slow|install"

# FeatherPad, the peer editor the benchmark compares with, is installed for
# the benchmark only.
bench: build
	@dpkg-query -W -f='$${Status}' featherpad 2>/dev/null | grep -q 'install ok installed' || \
		{ if [ "$$(id -u)" -eq 0 ]; then s=; else s=sudo; fi; \
		  DEBIAN_FRONTEND=noninteractive $$s apt-get install -y -q --no-install-recommends featherpad || \
		  { $$s apt-get update -q && DEBIAN_FRONTEND=noninteractive $$s apt-get install -y -q --no-install-recommends featherpad; }; }
	$(BUILD)/bench/sorabun_bench $(BENCH_ARGS)

# Fuzzing: a clang build of its own (fuzz/ is a project by itself).
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

$(FUZZ_BUILD)/CMakeCache.txt:
	cmake -S fuzz -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++

fuzz: deps $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	$(FUZZ_BUILD)/run-fuzz $(FUZZ_SECONDS)

test-fuzz:
	$(MAKE) fuzz FUZZ_SECONDS=30

# Crash points: every write and sync of a session to the store and the page
# history, the session killed right after it and the program started again
# (make test runs a sample).
crashpoints: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 SORABUN_CRASHPOINTS=all \
		QTEST_FUNCTION_TIMEOUT=7200000 tests/crashpoints/crashpoints_tst_crashpoints

# Soak: the store abuse ten times over (2,000 kills, 800 rounds of two
# instances), every crash point, then each fuzz target for SOAK_FUZZ_SECONDS
# (default 600).
SOAK_FUZZ_SECONDS ?= 600

soak: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen SORABUN_SOAK=10 \
		ctest --output-on-failure -R reliability_tst_store_writes --timeout 3600
	$(MAKE) crashpoints
	$(MAKE) fuzz FUZZ_SECONDS=$(SOAK_FUZZ_SECONDS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
