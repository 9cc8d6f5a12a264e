# Zahlix on Debian 12 or newer. Each target installs the packages it uses that are missing:
# `make run` builds and starts the program (`make run-windows`: under Wine); `make test` builds
# and tests every preset through CTest; `make dist` builds the release files into build/dist/.

PRESETS := linux linux-sanitize windows windows64

# The package groups, installed one after another by tools/install-packages.sh.
# Build and run: the compiler and build tools; windres with MinGW-w64's headers, and Python, which
# make the dialog template and the icon; FLTK, X11 and RandR (the monitors) for the window; D-Bus,
# ATK and its bridge for the accessibility plug-in; dpkg-dev for Debian's hardening flags, as the
# release is built; a font.
PACKAGES_run := cmake ninja-build g++ pkg-config python3 gzip binutils-mingw-w64-i686 mingw-w64-common libfltk1.3-dev \
	libxrandr-dev libdbus-1-dev libatk1.0-dev libatk-bridge2.0-dev dpkg-dev fonts-dejavu-core
# The tests: clang for the sanitizers and fuzzers, the lint tools, GoogleTest and benchmark, XTest,
# virtual displays and the tools that drive them, galculator to compare with, the package checks.
PACKAGES_tests := clang libclang-rt-dev clang-format clang-tidy libgtest-dev libbenchmark-dev googletest \
	libxtst-dev python3-pefile python3-xlib xvfb x11-utils xdotool xclip openbox imagemagick galculator \
	iproute2 procps git lintian appstream man-db desktop-file-utils unzip
# The Windows build: MinGW-w64 for the 32-bit product and the x86-64 build.
PACKAGES_windows := g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
# Wine runs the Windows program; its 32-bit half is the only package that needs the i386 lists.
PACKAGES_wine := wine wine64 wine32:i386
# The release: git for the source archive.
PACKAGES_release := git
# The window managers and compositors of the desktop test, xrandr for its two monitors, and the
# input methods that it types through.
PACKAGES_desktops := x11-xserver-utils ibus fcitx5 xfwm4 kwin-x11 kwin-style-breeze mutter metacity fluxbox icewm kwin-wayland weston xwayland
# The screen reader and the accessibility bus that it listens on, for the accessibility tests.
PACKAGES_reader := dbus at-spi2-core python3-pyatspi gir1.2-atspi-2.0 orca speech-dispatcher python3-gi gir1.2-gtk-3.0

GROUP_NAMES_run := build and run
GROUP_NAMES_tests := tests
GROUP_NAMES_windows := Windows build
GROUP_NAMES_wine := Wine
GROUP_NAMES_release := release
GROUP_NAMES_desktops := desktops
GROUP_NAMES_reader := screen reader
# Installs the missing packages of the groups given.
install = @tools/install-packages.sh $(foreach g,$(1),"$(GROUP_NAMES_$(g))=$(PACKAGES_$(g))")

.PHONY: all deps build test run run-windows dist clean

all: build

# Everything that any target uses.
deps:
	$(call install,run tests windows wine desktops reader)

# The program alone, in a build folder of its own (build/run) with no tests: the tests' presets and
# their caches stay as they are.
build:
	$(call install,run)
	@cmake --preset run --log-level=WARNING >/dev/null
	@cmake --build --preset run

# Runs every preset to the end, then fails if any failed.
test: deps
	@failed=""; \
	for preset in $(PRESETS); do cmake --workflow --preset $$preset || failed="$$failed $$preset"; done; \
	[ -z "$$failed" ] || { echo "make test: failed:$$failed (see the CTest output above)"; exit 1; }

# Builds the native Linux program and starts it on the user's display.
run: build
	@build/run/zahlix

# Builds the Windows program and starts it under Wine on the user's display.
run-windows:
	$(call install,run windows wine)
	@tools/run-windows.sh

# The release files: both zips, the .deb, a source archive, BUILDINFO and SHA256SUMS.
dist:
	$(call install,run windows release)
	@tools/make-dist.sh

clean:
	rm -rf build
