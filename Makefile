# The two set-up commands of the README are `make demo` and `make test`; each installs
# what it needs first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build test test-asan test-tsan demo screenshot help-pictures bench clean \
	format lint fuzz-deps fuzz-build fuzz fuzz-smoke package check-deb

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

# The pictures of the operator's guide, drawn offscreen from the panel driven against the
# emulated device, into resources/help/images.
help-pictures: build
	@QT_QPA_PLATFORM=offscreen cmake --build $(BUILD_DIR) --target help-pictures

bench: build
	@$(BUILD_DIR)/bench/sonavire-bench

# The Debian package, made by CPack from the install rules (packaging/); prints its path.
package: build
	@out=$$(cd $(BUILD_DIR) && cpack 2>&1) || { echo "$$out"; exit 1; }; \
		echo "$$out" | sed -n 's/^CPack: - package: \(.*\) generated\.$$/\1/p'

# Installs the package into a fresh Debian 12 root (debootstrap, needs root or sudo and the
# Debian mirror) and starts the panel there from its desktop entry under Xvfb. Not part of
# `make test`.
check-deb: package
	@scripts/check-deb "$$(ls -t $(BUILD_DIR)/sonavire-panel_*.deb | head -n 1)"

# The fuzz targets build with clang and the sanitizers in a tree of their own. Each runs for
# FUZZ_SECONDS on its own copy of the corpus, one after the other and niced, since the
# machine is shared; crashing inputs land in $(FUZZ_DIR)/artifacts.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := intel_hex private_profile settings_file answers firmware_lines answer_time osc_packet

fuzz-deps:
	@scripts/install-deps fuzz

fuzz-build: fuzz-deps
	@cmake -S . -B $(FUZZ_DIR) -G Ninja -DSONAVIRE_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS)

fuzz: fuzz-build
	@mkdir -p $(FUZZ_DIR)/artifacts
	@for target in $(FUZZ_TARGETS); do \
		mkdir -p $(FUZZ_DIR)/corpus/$$target; \
		cp -n fuzz/corpus/$$target/* $(FUZZ_DIR)/corpus/$$target/; \
		echo "fuzz: $$target for $(FUZZ_SECONDS) s"; \
		nice -n 10 $(FUZZ_DIR)/fuzz/$${target}_fuzzer -max_total_time=$(FUZZ_SECONDS) \
			-close_fd_mask=2 -print_final_stats=1 \
			-artifact_prefix=$(FUZZ_DIR)/artifacts/$$target- \
			$(FUZZ_DIR)/corpus/$$target || exit 1; \
	done

fuzz-smoke:
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=10

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# clang-tidy with the repository's .clang-tidy over every source file, two at a time since the
# machine is shared; the headers are checked through the files that include them. The fuzz
# sources are not in this build's compilation database, so they borrow its flags. The build
# comes first for the sources that include generated files.
lint: build
	@git ls-files '*.cpp' | xargs -P 2 -n 8 clang-tidy -p $(BUILD_DIR) --quiet \
		--warnings-as-errors='*' >$(BUILD_DIR)/lint.log 2>&1; \
		status=$$?; grep -v ' warnings\? generated\.$$' $(BUILD_DIR)/lint.log; exit $$status

clean:
	@rm -rf $(BUILD_DIR) build-asan build-tsan $(FUZZ_DIR)
