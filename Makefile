# The two commands anyone needs: `make run` and `make test`.
BUILD    ?= build
JOBS     ?= $(shell nproc)
PREFIX   ?= /usr/local
CMAKE_FLAGS ?=

.PHONY: deps configure build run test fuzz demo demo-cli bench install clean

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/KorvalithWin $(ARGS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)

# Speed, size and peak memory of kvi beside gzip -9, pigz -9 and a raw copy,
# on test cards made here (never part of `make test`). The cards are kept in
# $(BUILD)/bench for the next run; the table goes to bench/results.md.
BENCH_DEPS := python3 pigz time e2fsprogs

bench: configure
	@scripts/install-deps.sh $(BENCH_DEPS)
	@cmake --build $(BUILD) -j $(JOBS) --target kvi
	@python3 bench/bench.py --kvi $(BUILD)/cli/kvi --work $(BUILD)/bench --out bench/results.md $(BENCH_ARGS)
