# The two commands of the README: `make run` and `make test`. Everything else is a helper.
JOBS ?= 2

.PHONY: run test test-asan test-tsan test-random-long deps build build-asan build-tsan build-fuzz build-release-ci fuzz-ci \
        fuzz-long fuzz-seeds bench bench-smoke docs-shots format format-check tidy tidy-all clean

deps:
	@scripts/install-deps.sh

build: deps
	cmake --preset release >/dev/null
	cmake --build --preset release -j$(JOBS)

build-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j$(JOBS)

# ThreadSanitizer needs its own build (it cannot share one with AddressSanitizer); the preset
# builds only the server and transport tests.
build-tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j$(JOBS)

# libFuzzer targets (clang): only the platform, the server library and the fuzzers are built.
build-fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j$(JOBS)

# Each fuzz target for a bounded time on its committed corpus; a crash, leak or sanitizer report
# fails the step (see fuzz/README.md).
FUZZ_SECONDS ?= 60
fuzz-ci: build-fuzz
	scripts/fuzz.sh -max_total_time=$(FUZZ_SECONDS)

# A million inputs per target (takes a while: see the figures in fuzz/README.md).
fuzz-long: build-fuzz
	scripts/fuzz.sh -runs=1000000

# Rewrites the committed seed corpus from the demo data set.
fuzz-seeds: build-fuzz
	rm -rf fuzz/corpus
	build/fuzz/bin/fuzz_seeds fuzz/corpus

run: build
	scripts/run.sh

test: test-asan test-tsan fuzz-ci

test-asan: build-asan
	scripts/with-postgres.sh ctest --preset asan

test-tsan: build-tsan
	scripts/with-postgres.sh ctest --preset tsan

# What ships (the release preset without the test suite) and the benchmarks, as CI builds them.
build-release-ci: deps
	cmake --preset release -DCADSERV_BUILD_TESTS=OFF >/dev/null
	cmake --build --preset release -j$(JOBS)

# The main screen's random user sessions at length: many more cases, longer sessions, a new seed
# each run (printed at the start: CADSERV_RC_SEED=<seed> replays it).
RANDOM_CASES ?= 400
RANDOM_SIZE ?= 60
test-random-long: build-asan
	CADSERV_RC_SEED=$${CADSERV_RC_SEED:-random} CADSERV_RC_CASES=$(RANDOM_CASES) CADSERV_RC_SIZE=$(RANDOM_SIZE) \
	  scripts/with-postgres.sh build/asan/bin/test_screen --gtest_filter='*RandomActions*'

# The README's first-steps pictures (docs/), rewritten by the desktop test that walks those steps
# offscreen against the demo data; only that test's binary is built.
docs-shots: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j$(JOBS) --target test_gui
	CADSERV_DOCS_SHOTS=$(CURDIR)/docs LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  build/asan/bin/test_gui --gtest_filter='*FirstStepsGui*'

bench: build
	scripts/bench.sh

# Every benchmark for one iteration: they still run (CI); no timing is read.
bench-smoke: build-release-ci
	scripts/bench.sh --smoke

# The code style (.clang-format): `format` rewrites the sources, `format-check` fails on any
# difference. Lint (.clang-tidy, scripts/tidy.sh): `tidy` checks the C++ files changed against
# $(BASE) (committed or not), `tidy-all` every one, or every one under $(PATHS) (files and folders),
# each with the compile commands of the asan, fuzz or release build that compiles it.
SOURCES = git ls-files -- '*.cpp' '*.h'
BASE ?= main
format:
	$(SOURCES) | xargs clang-format -i

format-check:
	$(SOURCES) | xargs clang-format --dry-run -Werror

tidy:
	scripts/tidy.sh $(BASE)

tidy-all:
	scripts/tidy.sh --all $(PATHS)

clean:
	rm -rf build
