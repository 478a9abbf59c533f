# The two everyday commands: `make demo` and `make test`. Both install what is missing first.
BUILD       ?= build
BUILD_TYPE  ?= RelWithDebInfo
JOBS        ?= $(shell nproc)
DEMO_DIR    ?= $(CURDIR)/.demo

# The Windows build: cross-built with MinGW-w64 into its own folder, then the distribution
# folder, its zip and the installer (.msi) in dist/. The GUI programs come along when a Qt 6 for
# MinGW-w64 is at QT_MINGW (make qt-mingw builds one); without it b3cli.exe and B3EdtSvr.dll alone.
WINDOWS_BUILD ?= build-windows
# The 32-bit edit server and b3cli.exe (for 32-bit programs and script hosts that load the COM
# server): the library and b3cli alone, shipped in the zip's x86 folder.
WINDOWS_X86_BUILD ?= $(WINDOWS_BUILD)-x86
WINDOWS_DIST  ?= $(CURDIR)/dist
QT_MINGW      ?= $(abspath $(CURDIR)/../shared/qt6-mingw)
VERSION       := $(shell grep -o 'B3Suite VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)
QT_MINGW_FOUND = $(wildcard $(QT_MINGW)/lib/cmake/Qt6/Qt6Config.cmake)
WINDOWS_QT_FLAGS = $(if $(QT_MINGW_FOUND),-DB3_WITH_QT=ON -DB3_QT_MINGW=$(QT_MINGW) \
                     -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake,\
                     -DB3_WITH_QT=OFF)

# Said after a Windows build without a Qt for MinGW-w64.
windows_gui_note = $(if $(QT_MINGW_FOUND),true,echo "Windows: B3Tools.exe and OddsLab.exe were \
  skipped (no Qt 6 for MinGW-w64 at $(QT_MINGW)); build one with make qt-mingw, or name one \
  with QT_MINGW=DIR.")

# Debian packages the build needs, and those only the tests need.
BUILD_PACKAGES := cmake g++ make ninja-build pkg-config ccache libgtest-dev libgmock-dev \
                  libbenchmark-dev nlohmann-json3-dev libcli11-dev qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev
# What `make package` needs beside the build: dpkg-shlibdeps and file find the dependencies.
PACKAGE_PACKAGES := dpkg-dev file
# The Windows cross-build: compilers (64-bit and 32-bit), widl and Wine's IDL files for the COM
# server's type library, Wine to run its programs, zip, a font for Qt's offscreen platform there,
# icoutils for the programs' icons (and for reading the DLL's resources in the tests), wixl to
# build the installer and msitools to read it in the tests.
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools \
                    libwine-dev wine wine64 zip unzip fonts-dejavu-core icoutils wixl msitools
TEST_PACKAGES  := wine wine64 desktop-file-utils appstream lintian bash-completion man-db \
                  $(PACKAGE_PACKAGES) $(WINDOWS_PACKAGES)
# What `make qt-mingw` needs beside the cross compilers: Debian's sources unpacked, git for Qt
# Charts where the archive lacks its tarball.
QT_MINGW_PACKAGES := dpkg-dev git python3 xz-utils
FUZZ_PACKAGES  := clang libclang-rt-14-dev
BENCH_PACKAGES := time

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

define ensure_packages
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi
endef

.PHONY: all deps test-deps package-deps windows-deps build test sanitize demo package windows \
        qt-mingw bench fuzz format clean

all: build

deps:
	$(call ensure_packages,$(BUILD_PACKAGES))

test-deps: deps
	$(call ensure_packages,$(TEST_PACKAGES))

package-deps: deps
	$(call ensure_packages,$(PACKAGE_PACKAGES))

windows-deps: deps
	$(call ensure_packages,$(WINDOWS_PACKAGES))

# ccache, where installed, shares compiled objects between build folders and checkouts.
# Looked up when a recipe runs, so a ccache that `deps` has just installed counts at once. Paths
# inside the checkout are hashed relative to it, so that another clone (CI's) shares the cache.
CCACHE = $(shell command -v ccache 2>/dev/null)
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1
CMAKE_LAUNCHER := $(if $(CCACHE),-DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE) -DCMAKE_C_COMPILER_LAUNCHER=$(CCACHE))

# WERROR=1 (continuous integration sets it) makes every compiler warning an error in each build
# this configures; without it warnings stay warnings. A folder configured before is set again
# when WERROR asks otherwise than it was configured with.
B3_WERROR := $(if $(filter 1,$(WERROR)),ON,OFF)
CMAKE_WERROR := -DB3_WERROR=$(B3_WERROR)
werror_sync = grep -qx 'B3_WERROR:BOOL=$(B3_WERROR)' $(1)/CMakeCache.txt || cmake $(CMAKE_WERROR) $(1)

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_LAUNCHER) $(CMAKE_WERROR)

build: deps $(BUILD)/build.ninja
	$(call werror_sync,$(BUILD))
	cmake --build $(BUILD) -j $(JOBS)

test: test-deps $(BUILD)/build.ninja $(WINDOWS_BUILD)/build.ninja $(WINDOWS_X86_BUILD)/build.ninja
	$(call werror_sync,$(BUILD))
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@echo "The Windows build under Wine:"
	$(call werror_sync,$(WINDOWS_BUILD))
	$(call werror_sync,$(WINDOWS_X86_BUILD))
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	cmake --build $(WINDOWS_X86_BUILD) -j $(JOBS) --target $(WINDOWS_X86_TARGETS)
	cd $(WINDOWS_BUILD) && B3_WINDOWS_X86_BUILD=$(abspath $(WINDOWS_X86_BUILD)) \
	  ctest --output-on-failure -j $(JOBS)
	cd $(WINDOWS_X86_BUILD) && ctest --output-on-failure
	@$(windows_gui_note)

# Configured again when a Qt for MinGW-w64 turns up after the first configuration.
$(WINDOWS_BUILD)/build.ninja: $(QT_MINGW_FOUND)
	$(MAKE) windows-deps
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake $(WINDOWS_QT_FLAGS) $(CMAKE_LAUNCHER) \
	  $(CMAKE_WERROR)

# Nothing of the 32-bit build can run here (Wine's 32-bit side is not installable): its picture
# templates are the 64-bit build's, and its one test reads the files it built.
WINDOWS_X86_TARGETS := B3EdtSvr b3cli
$(WINDOWS_X86_BUILD)/build.ninja:
	$(MAKE) windows-deps
	cmake -S . -B $(WINDOWS_X86_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DB3_WITH_QT=OFF -DB3_TESTS=OFF \
	  -DB3_TEMPLATES_FROM=$(abspath $(WINDOWS_BUILD))/bin $(CMAKE_LAUNCHER) $(CMAKE_WERROR)

windows: windows-deps $(WINDOWS_BUILD)/build.ninja $(WINDOWS_X86_BUILD)/build.ninja
	$(call werror_sync,$(WINDOWS_BUILD))
	$(call werror_sync,$(WINDOWS_X86_BUILD))
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	cmake --build $(WINDOWS_X86_BUILD) -j $(JOBS) --target $(WINDOWS_X86_TARGETS)
	windows/make_distribution.sh --x86 $(WINDOWS_X86_BUILD) $(WINDOWS_BUILD) $(VERSION) \
	  $(WINDOWS_DIST) $(if $(QT_MINGW_FOUND),$(QT_MINGW))
	@$(windows_gui_note)

# Builds a Qt 6 for MinGW-w64 from Debian's own Qt 6.4.2 sources into QT_MINGW (half an hour to
# 45 minutes on two cores); see windows/build-qt-mingw.sh.
qt-mingw: windows-deps
	$(call ensure_packages,$(QT_MINGW_PACKAGES))
	windows/build-qt-mingw.sh $(QT_MINGW)

# The tests once more, built with AddressSanitizer and UndefinedBehaviorSanitizer (at -O1, without
# the benchmarks) and run with the GUI ones offscreen; any report fails the run. The Wine prefix,
# installation and package tests only drive the built programs and are left to `make test`.
SANITIZE_BUILD := $(BUILD)-sanitize
SANITIZE_FLAGS := -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all

sanitize: test-deps
	cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Sanitize -DB3_BENCHMARKS=OFF \
	  $(CMAKE_LAUNCHER) $(CMAKE_WERROR) "-DCMAKE_CXX_FLAGS_SANITIZE=$(SANITIZE_FLAGS)" \
	  "-DCMAKE_C_FLAGS_SANITIZE=$(SANITIZE_FLAGS)" \
	  "-DCMAKE_EXE_LINKER_FLAGS_SANITIZE=-fsanitize=address,undefined" \
	  "-DCMAKE_SHARED_LINKER_FLAGS_SANITIZE=-fsanitize=address,undefined"
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/.ci/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) -E '^(wine_prefix|staged_install|package_lintian)$$'

# Writes the sample installation into .demo/, registers it in a project-local registry file
# (the user's own store is not touched) and shows what the suite reads from it. Neither a Wine
# prefix of the user's nor the user's history folder takes part.
DEMO_ENV := B3_REGISTRY=$(DEMO_DIR)/registry.reg WINEPREFIX=$(DEMO_DIR)/no-prefix \
            XDG_DATA_HOME=$(DEMO_DIR)/data
demo: build
	rm -rf $(DEMO_DIR)
	$(BUILD)/bin/b3cli sample $(DEMO_DIR)/game
	$(DEMO_ENV) $(BUILD)/bin/b3cli register $(DEMO_DIR)/game
	$(DEMO_ENV) $(BUILD)/bin/b3cli info
	$(DEMO_ENV) $(BUILD)/bin/b3cli report army $(DEMO_DIR)/armies.csv
	@echo; echo "Army report ($(DEMO_DIR)/armies.csv, Windows-1252 as the game's texts):"; \
	  iconv -f WINDOWS-1252 -t UTF-8 $(DEMO_DIR)/armies.csv
	@# With a display the combat calculator opens on the sample; without one a sample battle is
	@# simulated on the command line instead.
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo; echo "Starting OddsLab on the sample installation (close its window to finish)..."; \
	  $(DEMO_ENV) $(BUILD)/bin/OddsLab; \
	else \
	  echo; echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set), so OddsLab's window stays shut."; \
	  if $(BUILD)/bin/b3cli odds --help >/dev/null 2>&1; then \
	    echo "A sample battle instead (calculator/ui/demo_battle.json: 10000 battles, then the exact odds):"; \
	    $(DEMO_ENV) $(BUILD)/bin/b3cli odds --seed 1 --exact calculator/ui/demo_battle.json; \
	  fi; \
	  echo; echo "To open the calculator on a desktop:"; \
	  echo "  B3_REGISTRY=$(DEMO_DIR)/registry.reg $(BUILD)/bin/OddsLab"; \
	fi

# The Debian package, in the build folder: sudo apt install ./build/b3tools_*.deb
package: package-deps build
	cd $(BUILD) && cpack -G DEB
	@ls $(BUILD)/*.deb

bench: build
	$(call ensure_packages,$(BENCH_PACKAGES))
	$(BUILD)/bin/b3bench
	$(BUILD)/bin/b3bench_engine
	$(BUILD)/bin/b3bench_exact
	$(BUILD)/bin/b3bench_suggest
	$(BUILD)/bin/b3bench_patch
	bench/time_odds.sh $(BUILD)

# The fuzz targets, each run for FUZZ_SECONDS (CI keeps the default, so its time stays small).
FUZZ_TARGETS := fuzz_records fuzz_registry fuzz_import
FUZZ_SECONDS ?= 30

fuzz:
	$(call ensure_packages,$(BUILD_PACKAGES) $(FUZZ_PACKAGES))
	cmake -S . -B $(BUILD)-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DB3_FUZZ=ON $(CMAKE_LAUNCHER) \
	  $(CMAKE_WERROR)
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target $(FUZZ_TARGETS)
	for target in $(FUZZ_TARGETS); do \
	  $(BUILD)-fuzz/bin/$$target -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 || exit 1; \
	done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(BUILD)-fuzz $(SANITIZE_BUILD) $(DEMO_DIR) $(WINDOWS_BUILD) $(WINDOWS_X86_BUILD) \
	  $(WINDOWS_DIST)
