# The two user commands: `make run` and `make test`. Both install what is missing on Debian 12 first.
SHELL := /bin/bash
BUILD ?= build
JOBS ?= $(shell nproc)

# Debian packages the build, the tests and the tools need.
PACKAGES := build-essential cmake ninja-build pkg-config git \
	libgtest-dev libgmock-dev libbenchmark-dev libxml2-dev libgeographiclib-dev zlib1g-dev libz-mingw-w64-dev \
	clang libclang-rt-14-dev g++-mingw-w64-x86-64-posix wine wine64 locales \
	nettle-dev libcli11-dev qt6-base-dev libqt6sql6-sqlite libxcb1-dev xvfb xauth fonts-dejavu-core dbus at-spi2-core python3-pyatspi strace \
	dpkg-dev file desktop-file-utils appstream lintian

# A locale with a decimal comma, so that tests prove files do not depend on the user's locale.
TEST_LOCALE := de_DE.UTF-8

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all run test deps build unit sanitize fuzz windows-build windows-check windows-test windows-relay package package-check install-check bench clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi
	@if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$$'; then \
	  echo "Generating the $(TEST_LOCALE) locale"; \
	  $(SUDO) sed -i 's/^# *\($(TEST_LOCALE) UTF-8\)/\1/' /etc/locale.gen; \
	  grep -q '^$(TEST_LOCALE) UTF-8' /etc/locale.gen || echo '$(TEST_LOCALE) UTF-8' | $(SUDO) tee -a /etc/locale.gen >/dev/null; \
	  $(SUDO) locale-gen >/dev/null; \
	fi

$(BUILD)/release/build.ninja: | deps
	cmake -S . -B $(BUILD)/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGROVEWRIGHT_WERROR=ON

build: deps $(BUILD)/release/build.ninja
	cmake --build $(BUILD)/release -j $(JOBS)

unit: build
	cd $(BUILD)/release && ctest --output-on-failure -j $(JOBS)

sanitize: deps
	cmake -S . -B $(BUILD)/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGROVEWRIGHT_SANITIZE=ON -DGROVEWRIGHT_WERROR=ON \
	  -DGROVEWRIGHT_BENCHMARKS=OFF
	cmake --build $(BUILD)/asan -j $(JOBS)
	cd $(BUILD)/asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) -LE slow

fuzz: deps
	cmake -S . -B $(BUILD)/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGROVEWRIGHT_FUZZ=ON \
	  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
	cmake --build $(BUILD)/fuzz -j $(JOBS)
	cd $(BUILD)/fuzz && ctest --output-on-failure

# The Windows build (MinGW-w64, static): the core, its unit tests, the Windows stand-in simulator and
# the relay, built without warnings; the tests run under Wine in a prefix inside the build folder,
# whose wineserver is stopped again whatever the outcome.
WINDOWS_BUILD := $(BUILD)/windows
WINE_PREFIX := $(abspath $(WINDOWS_BUILD))/wineprefix

windows-build: deps
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGROVEWRIGHT_WERROR=ON
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

windows-test: windows-build build
	tests/wine/wine-prefix.sh start $(WINE_PREFIX)
	cd $(WINDOWS_BUILD) && ctest --output-on-failure -j $(JOBS) && \
	  GROVEWRIGHT_WINDOWS_BUILD=$(abspath $(WINDOWS_BUILD)) $(abspath $(BUILD))/release/tests/unit/relay/relay_wine_chain_test; \
	  status=$$?; cd $(CURDIR) && tests/wine/wine-prefix.sh stop $(WINE_PREFIX); exit $$status

windows-check: windows-test

# The relay for Windows as a user takes it: the static executable and how to start it.
windows-relay: windows-build
	rm -rf $(WINDOWS_BUILD)/relay-package && mkdir -p $(WINDOWS_BUILD)/relay-package
	x86_64-w64-mingw32-strip -o $(WINDOWS_BUILD)/relay-package/grovewright-relay.exe \
	  $(WINDOWS_BUILD)/tools/relay/grovewright-relay.exe
	sed 's/$$/\r/' tools/relay/START.txt > $(WINDOWS_BUILD)/relay-package/START.txt
	@echo "The relay for Windows is in $(WINDOWS_BUILD)/relay-package/"

# The Debian package, built from the release build: grovewright_<version>_amd64.deb in $(BUILD)/package.
package: build
	cd $(BUILD)/release && cpack -G DEB -B $(CURDIR)/$(BUILD)/package

# The package and its desktop files pass Debian's and freedesktop.org's validators.
package-check: package
	desktop-file-validate packaging/org.grovewright.Grovewright.desktop packaging/org.grovewright.Simulator.desktop
	appstreamcli validate --no-net packaging/org.grovewright.Grovewright.metainfo.xml
	lintian --fail-on error $(BUILD)/package/grovewright_*_amd64.deb

# The standard CMake route (default generator, no build type) builds and installs every file; in a
# scratch folder of its own, building only what the install takes.
install-check: deps
	packaging/install-check.sh $(BUILD)/install-check $(JOBS)

test: unit sanitize fuzz windows-test package-check install-check
	@echo "All test runs passed."

bench: build
	@for b in $(BUILD)/release/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

run: build
	@tools/run-grovewright.sh $(BUILD)/release

clean:
	rm -rf $(BUILD)
