# make run: install what is missing, build the program alone (no tests), start it.
# make test: the same set-up, then every test, every test again under ASan + UBSan, and the
#            iCalendar fuzzer for 60 s.
# make bench: build and run the benchmarks.
# make deb: the Debian packages of the working tree's tracked files, built in $(BUILD)/deb and
#           checked by lintian.

JOBS ?= 2
BUILD := build
ASAN_BUILD := build-asan

.PHONY: all deps configure build build-asan run test test-asan bench deb format clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake --preset dev >/dev/null

build: configure
	cmake --build $(BUILD) -j$(JOBS)

build-asan: deps
	cmake --preset asan >/dev/null
	cmake --build $(ASAN_BUILD) -j$(JOBS)

run: configure
	cmake --build $(BUILD) -j$(JOBS) --target tessel-calendar
	$(BUILD)/src/tessel-calendar

test: build
	scripts/run-tests $(BUILD) $(JOBS)
	$(MAKE) test-asan
	scripts/run-fuzzer 60

test-asan: build-asan
	scripts/run-tests $(ASAN_BUILD) $(JOBS)

bench: build
	scripts/run-benchmarks $(BUILD)

# The tests ran in `make test`; the package build leaves them out to stay quick.
deb: deps
	rm -rf $(BUILD)/deb
	mkdir -p $(BUILD)/deb/tessel-calendar
	git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t $(BUILD)/deb/tessel-calendar
	cd $(BUILD)/deb/tessel-calendar && DEB_BUILD_OPTIONS="nocheck parallel=$(JOBS)" dpkg-buildpackage -us -uc -b
	lintian --pedantic -E -I --fail-on error,warning $(BUILD)/deb/*.changes

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
