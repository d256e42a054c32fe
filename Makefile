# Two commands matter: `make run` and `make test` (see README.md).
BUILD   ?= build
JOBS    ?= $(shell nproc)
CTEST_ARGS ?=

.PHONY: all bootstrap configure build build-x64 build-x86 test run bench clean

all: build

bootstrap:
	@tools/bootstrap

$(BUILD)/%/build.ninja: CMakeLists.txt cmake/toolchain-x86_64.cmake cmake/toolchain-i686.cmake | bootstrap
	cmake -S . -B $(BUILD)/$* -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-$(if $(filter x64,$*),x86_64,i686).cmake

configure: $(BUILD)/x64/build.ninja $(BUILD)/x86/build.ninja

build-x64: bootstrap $(BUILD)/x64/build.ninja
	cmake --build $(BUILD)/x64 -j $(JOBS)

build-x86: bootstrap $(BUILD)/x86/build.ninja
	cmake --build $(BUILD)/x86 -j $(JOBS)

build: build-x64 build-x86

# Every test runs in the 64-bit build under Wine; the 32-bit build must compile and link.
test: build
	tools/runtests $(BUILD)/x64 $(CTEST_ARGS)

run: build-x64
	tools/run $(BUILD)/x64

bench: build-x64
	tools/runbench $(BUILD)/x64

clean:
	rm -rf $(BUILD)
