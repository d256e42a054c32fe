# Two commands matter: `make run` and `make test` (see README.md).
BUILD   ?= build
JOBS    ?= $(shell nproc)
CTEST_ARGS ?=

.PHONY: all bootstrap configure configure-x64 configure-x86 build build-x64 build-x86 test run bench clean

all: build

bootstrap:
	@tools/bootstrap

# Configured every time (a second or two): module folders join the build when they appear.
configure-x64: bootstrap
	@cmake -S . -B $(BUILD)/x64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-x86_64.cmake >/dev/null

configure-x86: bootstrap
	@cmake -S . -B $(BUILD)/x86 -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-i686.cmake >/dev/null

configure: configure-x64 configure-x86

build-x64: configure-x64
	cmake --build $(BUILD)/x64 -j $(JOBS)

build-x86: configure-x86
	cmake --build $(BUILD)/x86 -j $(JOBS)

build: build-x64 build-x86

# Every test runs in both builds under Wine (the 32-bit one where the machine runs 32-bit
# code: tools/runtests says when it does not); the 64-bit build's OCR tests (label ocr) run
# under Wine 8 and again under Wine 10. Every run happens even when one before fails.
test: build
	@rc=0; tools/runtests $(BUILD)/x86 $(CTEST_ARGS) || rc=1; \
	tools/runtests $(BUILD)/x64 $(CTEST_ARGS) || rc=1; exit $$rc

run: build-x64
	tools/run $(BUILD)/x64

# The OCR benchmark's peer reader is a native program (Tesseract through its C++ library);
# tools/runbench measures every rendering condition, the Wine 10 one under the root's Wine.
$(BUILD)/native/ocrpeer: tools/ocrpeer/ocrpeer.cpp | bootstrap
	@mkdir -p $(BUILD)/native
	g++ -std=c++17 -O2 -Wall -Wextra -Werror -o $@ $< $$(pkg-config --cflags --libs tesseract lept)

bench: build-x64 $(BUILD)/native/ocrpeer
	tools/runbench $(BUILD)/x64

clean:
	rm -rf $(BUILD)
