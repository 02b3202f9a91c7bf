# The two commands of the README, plus fuzzing and benchmarks.
#   make run   - set up, build an optimised loomtone and start it
#   make test  - set up, build the tests with AddressSanitizer and UBSan, run them
#   make install [PREFIX=~/.local] - build an optimised loomtone and install it
SHELL := /bin/bash
BUILD := build
PREFIX ?= $(HOME)/.local
JOBS ?= $(shell nproc)

# ccache keys on paths relative to the source root, so another clone of the
# repository reuses the same cache.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
# Expanded when a recipe runs, after setup has installed ccache on a fresh machine.
LAUNCHER = $(if $(shell command -v ccache),-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CONFIGURE = cmake -S . -G Ninja $(LAUNCHER)

.PHONY: run test install fuzz bench setup format

setup:
	@bash scripts/setup

run: setup
	@$(CONFIGURE) -B $(BUILD)/release -DCMAKE_BUILD_TYPE=Release > /dev/null
	@cmake --build $(BUILD)/release --target loomtone -j $(JOBS)
	$(BUILD)/release/loomtone $(ARGS)

install: setup
	@$(CONFIGURE) -B $(BUILD)/release -DCMAKE_BUILD_TYPE=Release > /dev/null
	@cmake --build $(BUILD)/release --target loomtone -j $(JOBS)
	cmake --install $(BUILD)/release --prefix "$(PREFIX)"
	@# The desktop learns of the new file type and entry where the tools exist.
	@if command -v update-mime-database > /dev/null; then \
	  update-mime-database "$(PREFIX)/share/mime"; fi
	@if command -v update-desktop-database > /dev/null; then \
	  update-desktop-database "$(PREFIX)/share/applications"; fi

test: setup
	@$(CONFIGURE) -B $(BUILD)/test -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
	  -DLOOMTONE_TESTS=ON -DLOOMTONE_SANITIZE=ON > /dev/null
	@cmake --build $(BUILD)/test -j $(JOBS)
	cd $(BUILD)/test && ctest --output-on-failure -j $(JOBS) --timeout 600

# libFuzzer targets, built with clang. Run one with e.g.
#   build/fuzz/fuzz/riff_fuzz fuzz/corpus/riff -runs=1000000
fuzz: setup
	@CC=clang CXX=clang++ $(CONFIGURE) -B $(BUILD)/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DLOOMTONE_FUZZ=ON > /dev/null
	@cmake --build $(BUILD)/fuzz -j $(JOBS)

bench: setup
	@$(CONFIGURE) -B $(BUILD)/bench -DCMAKE_BUILD_TYPE=Release -DLOOMTONE_BENCH=ON > /dev/null
	@cmake --build $(BUILD)/bench -j $(JOBS)
	@for b in $(BUILD)/bench/bench/*_bench; do echo "== $$b"; $$b; done

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')
