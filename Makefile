# The two commands of the README's Quick start:
#   make run    installs what is missing, builds, and starts Ponderino
#   make test   installs what is missing, builds, and runs the whole test suite
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: run test build deps clean

deps:
	@bash scripts/deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD)/bin && ./ponderino

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
