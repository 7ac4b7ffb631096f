# Two commands for a fresh machine: `make run` builds and starts quintrel,
# `make test` builds and runs every test.  Both install what they need.
BUILD ?= build
JOBS ?= 2

.PHONY: all deps build run run-tolvaric test sanitize clean

all: build

deps:
	@sh scripts/install_deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/quintrel

run-tolvaric: build
	./$(BUILD)/tolvaric

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The same tests built with the address and undefined-behaviour sanitizers.
sanitize: deps
	cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined" >/dev/null
	cmake --build $(BUILD)-sanitize -j $(JOBS)
	cd $(BUILD)-sanitize && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD)-sanitize
