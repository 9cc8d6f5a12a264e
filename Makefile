# Zahlix on Debian 12 or newer: `make test` installs what is missing, then builds and tests the
# linux and linux-sanitize presets through CTest; `make run` builds and starts the program.

PACKAGES := cmake ninja-build g++ clang libclang-rt-dev clang-format clang-tidy \
	libgtest-dev libbenchmark-dev binutils-mingw-w64-i686 gcc-mingw-w64-i686-win32
SUDO := $(if $(filter 0,$(shell id -u)),,sudo)

.PHONY: all deps build test run clean

all: build

# Installs the Debian packages that are not installed yet; does nothing when all are there.
deps:
	@missing=""; \
	for p in $(PACKAGES); do \
		dpkg-query -W -f='$${Status}' "$$p" 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		$(SUDO) apt-get update && \
		DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

build: deps
	cmake --preset linux
	cmake --build --preset linux

# Runs both presets to the end, then fails if either failed.
test: deps
	@status=0; \
	cmake --workflow --preset linux || status=1; \
	cmake --workflow --preset linux-sanitize || status=1; \
	[ $$status -eq 0 ] || echo "make test: a preset failed; see its CTest output above"; \
	exit $$status

run: build
	@echo "zahlix: the runnable program comes with the Windows build; this Linux build has no window yet." >&2; exit 1

clean:
	rm -rf build
