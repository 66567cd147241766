# Thin wrappers over CMake. `make run` builds the game, the tools that make its data and the data
# alone, then plays the sample café; `make test` builds the whole project, tests included, in a
# Debug build with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
JOBS ?= $(shell nproc)
RELEASE_DIR ?= build/release
TEST_DIR ?= build/test

.PHONY: run test build bench fuzz setup clean art-sheet soak release-config

setup:
	@scripts/setup

release-config: setup
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

# Everything of the release build: the game, the tools, the tests and the benchmarks.
build: release-config
	cmake --build $(RELEASE_DIR) -j $(JOBS)

# The game, the tools that make its data, and the data.
run: release-config
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target pellorcafe content
	cd $(RELEASE_DIR)/bin && ./pellorcafe

test: setup
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCAFE_SANITIZE=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS) -LE soak

# The tests too long for `make test` (label soak): half an hour of survival played at speed.
soak: setup
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCAFE_SANITIZE=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ctest --output-on-failure -L soak

# Every generated picture with its name on one page: build/art-sheet.png.
art-sheet: release-config
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target art_sheet

bench: build
	@cd $(RELEASE_DIR)/bin && for b in ./bench_*; do [ -x "$$b" ] && "$$b"; done; true

fuzz: setup
	cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCAFE_FUZZ=ON -DCAFE_SANITIZE=ON
	cmake --build build/fuzz -j $(JOBS)

clean:
	rm -rf build
