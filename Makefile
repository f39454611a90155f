# make test   installs what is missing, builds, and runs every test (Wine)
# make demo   builds and runs the launcher on a fresh simulated machine
# make build  builds dist/ZUInstaller.exe and the tests
# make bench  measures the built launcher in Wine (after make test) and writes build/bench/results.md
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?=

.PHONY: all deps configure build test demo bench format clean

all: build

deps:
	@bash tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	bash tests/harness/run-suite.sh $(BUILD) -j$(JOBS) --timeout 900

demo: build
	bash tools/demo.sh $(BUILD)

bench:
	cmake --build $(BUILD) -j$(JOBS) --target ZUInstaller zu_package bench_probe bare_launcher demo_machine
	bash tools/bench.sh $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) dist
