# make run    installs what is missing, builds the program alone, starts it
#             under Wine (without a display: under Xvfb, saves
#             build/marrowby.png, closes)
# make test   installs what is missing, builds everything, runs every test through ctest
# make build  only builds everything
# make bench  builds the benchmarks and runs their quick form (trees cached
#             in build/bench-trees);  make bench-full  the long form
# make installer  builds build/Marrowby-Setup-<version>.exe with NSIS and
#             build/Marrowby-<version>-x64.msi with wixl; with
#             SIGN_PFX=<certificate.pfx> (its password in the environment
#             variable SIGN_PFX_PASSWORD) Marrowby.exe and both packages are signed

BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc)
PREFIX     := $(abspath $(BUILD))/wineprefix
PACKAGES   := cmake ninja-build g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 xvfb xauth doctest-dev \
              x11-utils xdotool imagemagick python3 python3-cryptography openssl osslsigncode \
              wixl wixl-data msitools
WINE_ENV   := WINEPREFIX=$(PREFIX) WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
# The code-signing certificate of `make installer`, if any (never committed).
SIGN_PFX   ?=
SIGN_PFX_FILE := $(if $(SIGN_PFX),$(abspath $(SIGN_PFX)))

.PHONY: all setup build run test bench bench-full prefix clean installer

all: build

# apt-get runs only when a package is missing, so a second make is quick.
setup:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -q && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q $$missing; \
	fi

# ccache, where it is installed, makes a build in a second clone quick.
CCACHE     := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake $(CCACHE)

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

prefix: setup
	@tests/support/wine-prefix.sh $(PREFIX)

# Only the program and what it links: a first start does not wait for the tests.
run: setup $(BUILD)/build.ninja prefix
	cmake --build $(BUILD) -j $(JOBS) --target Marrowby
	@tools/run-marrowby.sh $(BUILD)

# Tests always run under their own Xvfb: their windows never reach your desktop.
test: build prefix
	@status=0; \
	xvfb-run -a -s "-screen 0 1280x1024x24" \
	  ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) || status=$$?; \
	$(WINE_ENV) wineserver -k 2>/dev/null || true; \
	exit $$status

bench: setup $(BUILD)/build.ninja prefix
	cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	@tools/run-bench.sh $(BUILD)

bench-full: setup $(BUILD)/build.ninja prefix
	cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	@tools/run-bench.sh --full $(BUILD)

# NSIS is needed by this target alone; the build finds makensis when it is
# configured again. wixl, for the MSI package, comes with setup: the tests build packages too.
installer: setup
	@dpkg-query -W -f='$${Status}' nsis 2>/dev/null | grep -q "install ok installed" || { \
	  $(SUDO) apt-get update -q && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q nsis; }
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DMARROWBY_SIGN_PFX=$(SIGN_PFX_FILE)
	cmake --build $(BUILD) --target installer -j $(JOBS)

clean:
	rm -rf $(BUILD)
