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

# The tests of the udisks2 way to drives start their own private system bus,
# udev, polkit and udisks2; mkfs.ext4 makes filesystems on test devices. The
# standard compressors and zip make raw images and read back those written.
TEST_DEPS := dbus udisks2 polkitd udev e2fsprogs zstd xz-utils bzip2 zip

test: build
	@scripts/install-deps.sh $(TEST_DEPS)
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Simulated drives (a FAT card, an empty card, a big fixed disk) made in a
# temporary folder; mkfs.vfat and mcopy come from dosfstools and mtools.
DEMO_DEPS := dosfstools mtools

demo: build
	@scripts/install-deps.sh $(DEMO_DEPS)
	@dir=$$(mktemp -d -t korvalith-demo-XXXXXX) && trap 'rm -rf "$$dir"' EXIT INT TERM HUP && \
	  scripts/demo-drives.sh "$$dir" && \
	  KORVALITH_SIMULATED_DRIVES="$$dir" $(BUILD)/KorvalithWin $(ARGS)

demo-cli: configure
	@scripts/install-deps.sh $(DEMO_DEPS)
	@cmake --build $(BUILD) -j $(JOBS) --target kvi
	@scripts/demo-cli.sh $(BUILD)/cli/kvi

# A longer fuzzing run of the image reader and restore (ten minutes).
fuzz: build
	cd $(BUILD)/tests && mkdir -p fuzz_corpus && KORVALITH_FUZZ_SEEDS=fuzz_corpus ./fuzz_image -max_total_time=600 -timeout=30 -rss_limit_mb=2048 fuzz_corpus

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)

# Speed, size and peak memory of kvi beside gzip -9, pigz -9 and a raw copy,
# a level sweep and the progress meter's share (perf), raw images beside
# zstd and xz (alone: make bench BENCH_ARGS=--raw-formats),
# on test cards made here (never part of `make test`). The cards are kept in
# $(BUILD)/bench for the next run; the table goes to bench/results.md.
BENCH_DEPS := python3 pigz time e2fsprogs linux-perf zstd xz-utils

bench: configure
	@scripts/install-deps.sh $(BENCH_DEPS)
	@cmake --build $(BUILD) -j $(JOBS) --target kvi
	@python3 bench/bench.py --kvi $(BUILD)/cli/kvi --work $(BUILD)/bench --out bench/results.md $(BENCH_ARGS)
