# make test   install what is missing, configure, build, run every test (CTest)
# make demo   the same set-up, then the demo: a virtual printer receives a job
# make asan | tsan   the same tests in a sanitizer build (build-asan, build-tsan)
# make bench  build and run the benchmarks
# make fuzz   build the libFuzzer target with clang and run it FUZZ_SECONDS (default 180)

BUILD    ?= build
JOBS     ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

# Debian packages the build and the tests need.
PACKAGES := cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
            libudev-dev libcups2-dev libsqlite3-dev umockdev libumockdev-dev libstb-dev

.PHONY: all deps configure build test demo asan tsan bench fuzz clean

FUZZ_SECONDS ?= 180
FUZZ_PACKAGES := clang libclang-rt-14-dev

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "missing Debian packages; run as root:"; \
	    echo "  apt-get install -y$$missing"; exit 1; \
	  fi; \
	fi

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: build
	$(BUILD)/bin/vornik-demo

asan:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=Debug -DVORNIK_SANITIZE=address -DVORNIK_BUILD_BENCH=OFF"

tsan:
	$(MAKE) test BUILD=build-tsan CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=Debug -DVORNIK_SANITIZE=thread -DVORNIK_BUILD_BENCH=OFF"

bench: build
	@cd bench/node && npm ci --no-audit --no-fund --silent
	@for b in $(BUILD)/bin/bench_*; do echo "== $$b"; \
	  case $$b in *bench_pipeline|*bench_events|*bench_print) $$b ;; *) $$b --benchmark_repetitions=5 --benchmark_report_aggregates_only=true ;; esac || exit 1; done

fuzz: deps
	@$(MAKE) --no-print-directory deps PACKAGES="$(FUZZ_PACKAGES)"
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNIK_SANITIZE=fuzzer \
	  -DVORNIK_FUZZ=ON -DVORNIK_BUILD_TESTS=OFF -DVORNIK_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-fuzz --target fuzz_pipeline -j $(JOBS)
	@mkdir -p build-fuzz/corpus
	build-fuzz/bin/fuzz_pipeline -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 -max_len=65536 build-fuzz/corpus fuzz/corpus

clean:
	rm -rf build build-asan build-tsan build-fuzz
