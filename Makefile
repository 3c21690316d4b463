# The two set-up commands of the README. Both install what is missing first.
RELEASE_DIR := build/release
TEST_DIR    := build/asan
GENERATOR   := -G Ninja

.PHONY: all deps build run test build-tests clean format package

all: build

deps:
	bash scripts/install-deps

build: deps
	cmake -S . -B $(RELEASE_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DKALVOR_BUILD_TESTS=OFF -DKALVOR_BUILD_BENCH=ON
	cmake --build $(RELEASE_DIR)

run: build
	bash scripts/run-kalvor $(RELEASE_DIR)

build-tests: deps
	cmake -S . -B $(TEST_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DKALVOR_SANITIZE=ON -DKALVOR_BUILD_BENCH=OFF
	cmake --build $(TEST_DIR)

test: build-tests
	bash scripts/run-tests $(TEST_DIR)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build

# A Debian package of a Release build: build/package/kalvor_VERSION_ARCH.deb
package: deps
	cmake -S . -B build/package $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DKALVOR_BUILD_TESTS=OFF -DKALVOR_BUILD_BENCH=OFF
	cmake --build build/package --target package
