# The two commands of the README: `make run` and `make test`. Everything else is a helper.
JOBS ?= 2

.PHONY: run test deps build build-asan build-tsan bench clean

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

run: build
	scripts/run.sh

test: build-asan
	scripts/with-postgres.sh ctest --preset asan
	$(MAKE) build-tsan
	scripts/with-postgres.sh ctest --preset tsan

bench: build
	scripts/bench.sh

clean:
	rm -rf build
