# make run: install what is missing, build, start the program.
# make test: the same set-up, then every test, every test again under ASan + UBSan, and the
#            iCalendar fuzzer for 60 s.
# make bench: build and run the benchmarks.

JOBS ?= 2
BUILD := build
ASAN_BUILD := build-asan

.PHONY: all deps build build-asan run test test-asan bench format clean

all: build

deps:
	scripts/install-deps

build: deps
	cmake --preset dev >/dev/null
	cmake --build $(BUILD) -j$(JOBS)

build-asan: deps
	cmake --preset asan >/dev/null
	cmake --build $(ASAN_BUILD) -j$(JOBS)

run: build
	$(BUILD)/src/tessel-calendar

test: build
	scripts/run-tests $(BUILD) $(JOBS)
	$(MAKE) test-asan
	scripts/run-fuzzer 60

test-asan: build-asan
	scripts/run-tests $(ASAN_BUILD) $(JOBS)

bench: build
	scripts/run-benchmarks $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
