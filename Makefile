# Entry points: `make demo` runs the main job, `make test` builds with sanitizers and runs every test.
JOBS ?= $(shell nproc)
TEST_DIR := build/test
RELEASE_DIR := build/release
GENERATOR := -G Ninja

.PHONY: all setup test demo release bench clean

all: release

setup:
	@scripts/setup

$(TEST_DIR)/build.ninja: CMakeLists.txt
	cmake -S . -B $(TEST_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DQORV_SANITIZE=ON

$(RELEASE_DIR)/build.ninja: CMakeLists.txt
	cmake -S . -B $(RELEASE_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release

test: setup
	cmake -S . -B $(TEST_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DQORV_SANITIZE=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600

release: setup
	cmake -S . -B $(RELEASE_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(RELEASE_DIR) -j $(JOBS)

demo: release
	tools/demo $(RELEASE_DIR)

bench: release
	tools/bench $(RELEASE_DIR)

clean:
	rm -rf build
