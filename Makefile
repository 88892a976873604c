# Two entry points for a fresh Debian machine: `make run` and `make test`.
# `make test-asan` and `make test-tsan` run the tests under the sanitizers,
# each in its own build folder; `make fuzz` runs the fuzz targets (Clang).
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 20
JOBS  ?= $(shell nproc)

# Every finding fails the run, leaks included (none is suppressed).
ASAN_ENV := ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:strict_init_order=1:detect_stack_use_after_return=1 \
            UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
TSAN_ENV := TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
# The engine and controller test programs and the note model's (their
# cases carry the CTest label "tsan"): the code with threads of its own;
# and the note model itself, which the last one runs.
TSAN_TARGETS := audio_test practice_test control_test mouse_editor_test analyse_wav_test \
  recovery_copy_test pitch_model_test pitkad_pitch_model

.PHONY: all deps configure build run test test-asan test-tsan fuzz bench clean

all: build

deps:
	@scripts/setup-deps

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then \
	  cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo; \
	fi

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/pitkad $(BUILD)/share/pitkad/demo.wav

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j $(JOBS)

# The whole suite with AddressSanitizer, LeakSanitizer and UBSan. The test
# programs run at build time too (to list their cases), so the options hold
# for the build as well.
test-asan: deps
	@if [ ! -f $(ASAN_BUILD)/build.ninja ]; then \
	  cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DPITKAD_SANITIZE=address,undefined -DPITKAD_BUILD_BENCH=OFF; \
	fi
	$(ASAN_ENV) cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && $(ASAN_ENV) QT_QPA_PLATFORM=offscreen \
	  ctest --output-on-failure --timeout 600 -j $(JOBS)

# The engine and controller tests with ThreadSanitizer.
test-tsan: deps
	@if [ ! -f $(TSAN_BUILD)/build.ninja ]; then \
	  cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DPITKAD_SANITIZE=thread -DPITKAD_BUILD_BENCH=OFF; \
	fi
	$(TSAN_ENV) cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)
	cd $(TSAN_BUILD) && $(TSAN_ENV) QT_QPA_PLATFORM=offscreen \
	  ctest --output-on-failure --timeout 600 -j $(JOBS) -L tsan

# Each fuzz target for FUZZ_SECONDS, built with Clang, ASan and UBSan.
fuzz: deps
	FUZZ_BUILD=$(FUZZ_BUILD) FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/run-fuzz

bench: build
	@for b in $(BUILD)/bin/pitkad_bench_*; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
