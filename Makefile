# The two set-up commands of the README are `make demo` and `make test`; each installs
# what it needs first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build test test-asan test-tsan demo screenshot bench clean format

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The whole suite under AddressSanitizer with UndefinedBehaviorSanitizer, and under
# ThreadSanitizer, each in a build of its own.
test-asan: deps
	@cmake -S . -B build-asan -G Ninja -DSONAVIRE_SANITIZE=address >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS)

test-tsan: deps
	@cmake -S . -B build-tsan -G Ninja -DSONAVIRE_SANITIZE=thread >/dev/null
	@cmake --build build-tsan -j $(JOBS)
	@cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/sanitizers/tsan.supp \
		ctest --output-on-failure -j $(JOBS)

# The panel needs a desktop session; its emulated Sonavire needs nothing else.
demo: build
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		echo "make demo: no desktop session (DISPLAY and WAYLAND_DISPLAY are unset)."; \
		echo "Run it from a terminal on the desktop, or try: QT_QPA_PLATFORM=offscreen make screenshot"; \
		exit 1; \
	fi
	@$(BUILD_DIR)/panel/sonavire-panel --demo

# A picture of the panel as it starts, drawn offscreen; the README shows it.
screenshot: build
	@QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/panel/sonavire-panel --screenshot docs/panel.png
	@echo "wrote docs/panel.png"

bench: build
	@$(BUILD_DIR)/bench/link_bench

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR) build-asan build-tsan
