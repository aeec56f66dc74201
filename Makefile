# Entry points: `make demo` runs the main job; `make test` runs every test under AddressSanitizer and UBSan,
# the stress tests under ThreadSanitizer and each fuzz target for a few seconds.
JOBS ?= $(shell nproc)
# One test more than cores: the window tests take the display one at a time and mostly wait for the X
# server, so the busy tests keep every core while they run.
TEST_JOBS ?= $(shell echo $$(($(JOBS) + 1)))
TEST_DIR := build/test
TSAN_DIR := build/tsan
FUZZ_DIR := build/fuzz
RELEASE_DIR := build/release
GENERATOR := -G Ninja
# WARNINGS_AS_ERRORS=OFF (or ON), given to make or set in the environment, reaches every build's configure as
# CMAKE_COMPILE_WARNING_AS_ERROR; a build folder's cache keeps it, and a later make without it leaves it so.
CONFIGURE := cmake -S . $(GENERATOR)$(if $(WARNINGS_AS_ERRORS), -DCMAKE_COMPILE_WARNING_AS_ERROR=$(WARNINGS_AS_ERRORS))

.PHONY: all setup test test-asan test-tsan test-fuzz demo release bench resources-sheet clean

all: release

setup:
	@scripts/setup

# The checking builds below fail on a compiler warning; release and demo print it and go on (CMakeLists.txt).
# Every test under ASan+UBSan, then the two-thread stress tests under TSan, then each fuzz target for a
# few seconds (clang, libFuzzer).
test: setup test-asan test-tsan test-fuzz

# The benchmarks are left out of the checking builds: the release build (demo, bench) compiles them.
test-asan:
	$(CONFIGURE) -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DQORV_SANITIZE=address -DQORV_BUILD_BENCH=OFF
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ctest --output-on-failure -j $(TEST_JOBS) --timeout 600

test-tsan:
	$(CONFIGURE) -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DQORV_SANITIZE=thread -DQORV_BUILD_BENCH=OFF
	@if grep -q 'tsan_tests' $(TSAN_DIR)/build.ninja; then \
	  cmake --build $(TSAN_DIR) -j $(JOBS) --target tsan_tests && \
	  cd $(TSAN_DIR) && ctest --output-on-failure -j $(JOBS) -L tsan --timeout 600; \
	else echo "test-tsan: no stress tests yet"; fi

test-fuzz:
	CC=clang CXX=clang++ $(CONFIGURE) -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=Debug -DQORV_FUZZ=ON -DQORV_BUILD_BENCH=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzzers
	@cd $(FUZZ_DIR) && if ctest -N -L fuzz | grep -q 'fuzz\.'; then \
	  ctest --output-on-failure -j $(JOBS) -L fuzz --timeout 600; \
	else echo "test-fuzz: no fuzz targets yet"; fi

release: setup
	$(CONFIGURE) -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DQORV_BUILD_TESTS=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS)

demo: release
	tools/demo $(RELEASE_DIR)

bench: release
	tools/bench $(RELEASE_DIR)

# Every editor bitmap at scales 1 and 2 in one picture, for a person to look at.
resources-sheet: release
	cmake --build $(RELEASE_DIR) --target resources-sheet
	@echo "contact sheet: $(RELEASE_DIR)/resources-sheet.png"

clean:
	rm -rf build
