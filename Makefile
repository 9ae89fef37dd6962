# Two commands on a fresh Debian 12 machine: `make run` and `make test`.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build run test test-asan bench bench-startup bench-memory fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD)

run: build
	./$(BUILD)/qingfu

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2

# The whole suite once more under AddressSanitizer and UndefinedBehaviorSanitizer; any report fails.
test-asan: deps
	cmake -S . -B $(BUILD_ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQINGFU_SANITIZE=ON
	cmake --build $(BUILD_ASAN)
	cd $(BUILD_ASAN) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest --output-on-failure -j2

bench: build
	./$(BUILD)/bench/bench_tax
	./$(BUILD)/bench/bench_plan
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/bench/bench_gui

# Start-up and peak memory of the whole program against a plain Qt window with the same widgets
# (on Xvfb), then the in-process start-up and panel-switch benchmarks.
bench-startup: build
	bash bench/startup.sh $(BUILD)
	env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" ./$(BUILD)/bench/bench_startup

# Resident memory after 1,000 and after 100,000 panel switches (offscreen, about two minutes).
bench-memory: build
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/bench/switch_memory 100000

# The amount parser and formatters, then the payroll file readers, under libFuzzer (clang, ASan,
# UBSan) for FUZZ_SECONDS each; new inputs go to the build directory, the seed corpus in
# fuzz/corpus stays as committed.
fuzz: deps
	cmake -S fuzz -B $(BUILD_FUZZ) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_FUZZ)
	mkdir -p $(BUILD_FUZZ)/corpus $(BUILD_FUZZ)/corpus-files
	cd $(BUILD_FUZZ) && ./fuzz_amount -max_total_time=$(FUZZ_SECONDS) -dict=$(CURDIR)/fuzz/amount.dict \
	  -print_final_stats=1 corpus $(CURDIR)/fuzz/corpus/amount
	cd $(BUILD_FUZZ) && ./fuzz_files -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	  corpus-files $(CURDIR)/fuzz/corpus/files

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ)
