# Zahlix on Debian 12 or newer: `make test` installs what is missing, then builds and tests every
# preset through CTest; `make run` builds and starts the program (`make run-windows`: under Wine);
# `make dist` builds the release files into build/dist/.

PRESETS := linux linux-sanitize windows windows64
PACKAGES := cmake ninja-build g++ clang libclang-rt-dev clang-format clang-tidy libgtest-dev libbenchmark-dev \
	python3 python3-pefile binutils-mingw-w64-i686 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest \
	wine wine64 wine32:i386 xvfb x11-utils xdotool dpkg-dev desktop-file-utils unzip libfltk1.3-dev libxtst-dev xclip fonts-dejavu-core galculator openbox imagemagick \
	lintian appstream man-db gzip git \
	pkg-config libdbus-1-dev libatk1.0-dev libatk-bridge2.0-dev dbus at-spi2-core python3-pyatspi gir1.2-atspi-2.0 procps \
	orca speech-dispatcher python3-gi gir1.2-gtk-3.0 \
	python3-xlib iproute2 xfwm4 kwin-x11 kwin-style-breeze mutter metacity fluxbox icewm kwin-wayland weston xwayland
SUDO := $(if $(filter 0,$(shell id -u)),,sudo)

.PHONY: all deps build test run run-windows dist clean

all: build

# Installs the Debian packages that are not installed yet; does nothing when all are there.
deps:
	@missing=""; \
	for p in $(PACKAGES); do \
		dpkg-query -W -f='$${Status}' "$$p" 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		dpkg --print-foreign-architectures | grep -qx i386 || $(SUDO) dpkg --add-architecture i386; \
		$(SUDO) apt-get update && \
		DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

build: deps
	cmake --preset linux
	cmake --build --preset linux

# Runs every preset to the end, then fails if any failed.
test: deps
	@failed=""; \
	for preset in $(PRESETS); do cmake --workflow --preset $$preset || failed="$$failed $$preset"; done; \
	[ -z "$$failed" ] || { echo "make test: failed:$$failed (see the CTest output above)"; exit 1; }

# Builds the native Linux program and starts it on the user's display.
run: deps
	@cmake --preset linux >/dev/null && cmake --build --preset linux --target zahlix >/dev/null
	@build/linux/zahlix

# Builds the Windows program and starts it under Wine on the user's display.
run-windows: deps
	@tools/run-windows.sh

# The release files: both zips, the .deb, a source archive, BUILDINFO and SHA256SUMS.
dist: deps
	@tools/make-dist.sh

clean:
	rm -rf build
