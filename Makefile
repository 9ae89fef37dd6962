# Two commands on a fresh Debian 12 machine: `make run` and `make test`.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build run test update-golden test-asan bench bench-startup bench-memory bench-print fuzz clean

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

# The control dump written to tests/widgets/controls.txt.new and shown against the golden file,
# for review; moving it over controls.txt is the reviewer's step.
update-golden: configure
	cmake --build $(BUILD) --target update-golden

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

# Payslips and the printed table as PDF for 1,000 and 10,000 people: time and peak memory.
bench-print: build
	bash bench/print.sh $(BUILD)

# The amount parser and formatters, the workbook readers, then the payroll file readers through
# the batch pipeline, under libFuzzer (clang, ASan, UBSan) for FUZZ_SECONDS each; new inputs go to
# the build directory, the seed corpora in fuzz/corpus stay as committed. fuzz/*.supp mute what
# FreeXL itself does wrong (not our code). fuzz_xls reads .xls workbook streams (fuzz/corpus/xls:
# the Workbook streams of batch/files' books, taken out with `gsf cat BOOK Workbook`).
fuzz: deps
	cmake -S fuzz -B $(BUILD_FUZZ) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_FUZZ)
	mkdir -p $(BUILD_FUZZ)/corpus
	cd $(BUILD_FUZZ) && ./fuzz_amount -max_total_time=$(FUZZ_SECONDS) -dict=$(CURDIR)/fuzz/amount.dict \
	  -print_final_stats=1 corpus $(CURDIR)/fuzz/corpus/amount
	mkdir -p $(BUILD_FUZZ)/corpus-workbook
	cd $(BUILD_FUZZ) && ASAN_OPTIONS=suppressions=$(CURDIR)/fuzz/asan.supp LSAN_OPTIONS=suppressions=$(CURDIR)/fuzz/lsan.supp \
	  ./fuzz_workbook -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 corpus-workbook $(CURDIR)/fuzz/corpus/workbook
	mkdir -p $(BUILD_FUZZ)/corpus-xls
	cd $(BUILD_FUZZ) && ./fuzz_xls -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 corpus-xls $(CURDIR)/fuzz/corpus/xls
	mkdir -p $(BUILD_FUZZ)/corpus-files
	cd $(BUILD_FUZZ) && ASAN_OPTIONS=suppressions=$(CURDIR)/fuzz/asan.supp LSAN_OPTIONS=suppressions=$(CURDIR)/fuzz/lsan.supp \
	  ./fuzz_files -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	  corpus-files $(CURDIR)/fuzz/corpus/files

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ)
