# Entry points for newcomers and CI: `make test`, `make run`, `make bench`; `make package` for the .deb packages.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
PACKAGES   := cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
              qt6-base-dev libx11-dev fonts-wqy-microhei mbpoll xvfb xauth python3 \
              libcli11-dev nlohmann-json3-dev clang libclang-rt-14-dev \
              libmosquitto-dev mosquitto mosquitto-clients qt6-charts-dev libqt6opengl6-dev zlib1g-dev \
              tshark
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps build run test test-asan test-tsan fuzz bench package clean
MODE ?= serial

# $(call install_missing,PACKAGES): apt-get installs those of PACKAGES that are not installed.
define install_missing
	@missing=$$(for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "installing:" $$missing; \
	  $(SUDO) apt-get update -q && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# The simulator and the GUI connected to it: MODE=serial (default), wireless or network.
run: build
	scripts/run-demo.sh $(BUILD) $(MODE)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	$(MAKE) test-asan
	$(MAKE) test-tsan

# The library, simulator and command-line tests again under AddressSanitizer and UBSan.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKAVIRO_GUI=OFF -DKAVIRO_SANITIZE=ON -DKAVIRO_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# The tests where threads meet (the engine, the poll worker, the window, its trend and its network session,
# kaviro-cli mqtt and its MQTT network thread) under ThreadSanitizer. Qt is not instrumented:
# tests/tsan.supp hides what happens inside it.
TSAN_TARGETS := link_test monitor_tests app_tests log_dialog_tests param_dialog_tests console_dialog_tests \
                controller_dialog_tests relay_dialog_tests trend_dialog_tests kaviro-sim mqtt_test kaviro-cli
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVIRO_TSAN=ON -DKAVIRO_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)
	cd $(TSAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	  ctest --output-on-failure -j $(JOBS) -L 'link|monitor|gui|mqtt'

# Each fuzz target for SECONDS seconds (or RUNS executions, when given), with libFuzzer. New inputs
# go to $(FUZZ_BUILD)/corpus; the checked-in seeds (which every test run replays) stay as they are.
# Findings land in $(FUZZ_BUILD).
SECONDS ?= 60
FUZZ_LIMIT = $(if $(RUNS),-runs=$(RUNS),-max_total_time=$(SECONDS))
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DKAVIRO_FUZZ=ON -DKAVIRO_GUI=OFF -DKAVIRO_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	@for t in $$(ls $(FUZZ_BUILD)/tests/fuzz | sed -n 's/^fuzz_//p'); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t; \
	  echo "== $$t"; \
	  (cd $(FUZZ_BUILD) && tests/fuzz/fuzz_$$t $(FUZZ_LIMIT) -print_final_stats=1 \
	    corpus/$$t $(CURDIR)/tests/fuzz/corpus/$$t > fuzz-$$t.log 2>&1); rc=$$?; \
	  grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss)' $(FUZZ_BUILD)/fuzz-$$t.log; \
	  if [ $$rc != 0 ]; then tail -40 $(FUZZ_BUILD)/fuzz-$$t.log; exit 1; fi; \
	done

bench: build
	cmake --build $(BUILD) --target bench -j $(JOBS)
	$(BUILD)/bench/bench

# The Debian packages kaviro and kaviro-cli in $(PKG_BUILD), then scripts/check-packages.sh on them
# (contents, the extracted programs against the simulator, man pages, desktop entry, unit, lintian).
# ARCH=arm64 (or another Debian architecture) cross-builds kaviro-cli alone through multiarch and
# checks it under qemu-user against this machine's simulator.
NATIVE_ARCH   := $(shell dpkg --print-architecture)
ARCH          ?= $(NATIVE_ARCH)
PACKAGING_PACKAGES := help2man librsvg2-bin lintian desktop-file-utils dpkg-dev man-db file
ifeq ($(ARCH),$(NATIVE_ARCH))
PKG_BUILD     ?= build-pkg
PKG_CONFIGURE := -DKAVIRO_GUI=ON
else
PKG_BUILD     ?= build-pkg-$(ARCH)
# The programs run under qemu-user on the $(ARCH) libraries, as on the target.
PACKAGING_PACKAGES += crossbuild-essential-$(ARCH) qemu-user libmosquitto-dev:$(ARCH) zlib1g-dev:$(ARCH) libstdc++6:$(ARCH)
PKG_CONFIGURE := -DKAVIRO_GUI=OFF -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/debian-cross.cmake -DKAVIRO_DEB_ARCH=$(ARCH)
endif
package: deps
	@if [ $(ARCH) != $(NATIVE_ARCH) ] && ! dpkg --print-foreign-architectures | grep -qx $(ARCH); then \
	  $(SUDO) dpkg --add-architecture $(ARCH) && $(SUDO) apt-get update -q; fi
	$(call install_missing,$(PACKAGING_PACKAGES))
	flags() { DEB_HOST_ARCH=$(ARCH) dpkg-buildflags --get $$1; }; \
	cmake -S . -B $(PKG_BUILD) -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
	  -DKAVIRO_PACKAGING=ON -DKAVIRO_TESTS=OFF -DKAVIRO_BENCH=OFF $(PKG_CONFIGURE) \
	  $$(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) \
	  -DCMAKE_CXX_FLAGS="$$(flags CPPFLAGS) $$(flags CXXFLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$$(flags LDFLAGS)"
	cmake --build $(PKG_BUILD) -j $(JOBS)
	rm -f $(PKG_BUILD)/*.deb
	cd $(PKG_BUILD) && cpack
ifneq ($(ARCH),$(NATIVE_ARCH))
	$(MAKE) $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target kaviro-sim
	scripts/check-packages.sh $(PKG_BUILD) $(ARCH) $(BUILD)/apps/kaviro-sim
else
	scripts/check-packages.sh $(PKG_BUILD) $(ARCH)
endif

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) build-pkg*
