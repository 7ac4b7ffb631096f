# Two commands for a fresh machine: `make run` builds and starts quintrel,
# `make test` builds and runs every test, the Windows build's under wine.
# Both install what they need.
BUILD ?= build
BUILD_WIN ?= $(BUILD)-win
JOBS ?= 2
# `make install PREFIX=... DESTDIR=...`, as usual.
PREFIX ?= /usr/local
DESTDIR ?=
CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
CONFIGURE_WIN = cmake -S . -B $(BUILD_WIN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
  -DHOST_BUILD_DIR=$(abspath $(BUILD)) >/dev/null

.PHONY: all deps build windows run run-tolvaric check test sanitize bench \
  marathon clean configure install package

all: build

deps:
	@sh scripts/install_deps.sh

build: deps
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS)

# The Windows programs, cross-built and standalone, with their tests:
# $(BUILD_WIN)/quintrel.exe and $(BUILD_WIN)/tolvaric.exe.
windows: deps
	$(CONFIGURE_WIN)
	cmake --build $(BUILD_WIN) -j $(JOBS)

# The build folder, configured once; a later build configures again by
# itself when a CMakeLists.txt changes.
configure: deps
	@[ -f $(BUILD)/CMakeCache.txt ] || $(CONFIGURE)

# Each builds the one program it starts.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target quintrel
	./$(BUILD)/quintrel

run-tolvaric: configure
	cmake --build $(BUILD) -j $(JOBS) --target tolvaric
	./$(BUILD)/tolvaric

# The programs to $(DESTDIR)$(PREFIX)/bin, their manual pages to
# $(DESTDIR)$(PREFIX)/share/man/man1.
install: configure
	cmake --build $(BUILD) -j $(JOBS) --target quintrel tolvaric
	DESTDIR="$(if $(DESTDIR),$(abspath $(DESTDIR)))" \
	  cmake --install $(BUILD) --prefix "$(abspath $(PREFIX))"

# The Debian package in $(BUILD), the Windows zip in $(BUILD_WIN).
package: configure
	cmake --build $(BUILD) -j $(JOBS) --target quintrel tolvaric
	cd $(BUILD) && cpack -G DEB
	@[ -f $(BUILD_WIN)/CMakeCache.txt ] || $(CONFIGURE_WIN)
	cmake --build $(BUILD_WIN) -j $(JOBS) --target quintrel tolvaric
	cd $(BUILD_WIN) && cpack -G ZIP

# The inner loop: the Linux build and its tests alone, without the
# Windows build and wine.
check: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test: build windows
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(BUILD_WIN) && ctest --output-on-failure -j $(JOBS)

# The same tests built with the address and undefined-behaviour sanitizers.
sanitize: deps
	cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined" >/dev/null
	cmake --build $(BUILD)-sanitize -j $(JOBS)
	cd $(BUILD)-sanitize && ctest --output-on-failure -j $(JOBS)

# The engine against the plain operations, every path this processor runs,
# plain and engine rounds alternated; all threads against one; then whole
# runs of the programs.
bench: deps
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS) --target engine_bench quintrel tolvaric
	./$(BUILD)/engine_bench

# A billion draws per bound on every path, against the plain source.
marathon: deps
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS) --target draw_marathon
	./$(BUILD)/tests/draw_marathon

clean:
	rm -rf $(BUILD) $(BUILD)-sanitize $(BUILD_WIN)
