# The two set-up commands of the README are `make demo` and `make test`; each installs
# what it needs first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build test demo bench clean format

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

demo: build
	@echo "The panel is not built yet: this build has the core library and its tests only."
	@echo "Run 'make test' to exercise them."

bench: build
	@$(BUILD_DIR)/bench/link_bench

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR)
