# The two commands of the README:
#   make demo   builds everything, makes the sample panorama, tiles it in demo/,
#               puts the tiles back together as demo/pano_mosaic_level2.png and
#               writes the viewer demo/viewer/index.html (it prints the address)
#   make test   builds everything and runs the whole test suite
# plus `make bench` for the benchmarks, `make sanitize` for the ASan/UBSan run,
# `make tsan` for the ThreadSanitizer run of the concurrency tests,
# `make fuzz` for the fuzz targets (FUZZ_SECONDS each, default 600),
# `make package` for the Debian packages (in $(BUILD)/packages/) and
# `make install-check` for the check of the installed tree and the packages.

BUILD ?= build
JOBS ?= 2

# A compiler cache, when the machine has one, so that several checkouts of the
# tree (and the sanitizer builds) share what they have already compiled; the
# paths it keys on are taken relative to the checkout.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1

.PHONY: all deps build demo test bench sanitize tsan format-check fuzz fuzz-build clean \
        package package-deps install-check install-check-shared allocfail bench-parts

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(LAUNCHER)
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	mkdir -p demo
	$(BUILD)/make_sample demo/pano.bmp
	cd demo && ../$(BUILD)/razivavu pano.bmp < /dev/null
	$(BUILD)/razivavu-inspect --mosaic 2 --png demo demo/pano
	$(BUILD)/razivavu-inspect --html demo/viewer demo/pano

# The viewer's tests drive headless chromium, and the scheduler tests a
# one-machine Slurm cluster and GNU parallel; only the tests need them.
test: build
	@RAZIVAVU_BROWSER_DEPS=1 RAZIVAVU_CLUSTER_DEPS=1 bash scripts/install-deps.sh
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

sanitize: deps
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DRAZIVAVU_SANITIZE=ON $(LAUNCHER) \
	      -DCMAKE_CXX_FLAGS=-O1
	cmake --build build-sanitize -j $(JOBS)
	@RAZIVAVU_BROWSER_DEPS=1 RAZIVAVU_CLUSTER_DEPS=1 bash scripts/install-deps.sh
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir build-sanitize --output-on-failure -j $(JOBS)

# Only the tests labelled "concurrency" are built and run: the pass is about
# calls that meet on several threads, and a full TSan build would take long.
tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DRAZIVAVU_TSAN=ON $(LAUNCHER) -DCMAKE_CXX_FLAGS=-O1
	cmake --build build-tsan -j $(JOBS) --target concurrency_tests
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --test-dir build-tsan --output-on-failure -L concurrency

# Every allocation may fail: each job of tests/allocfail runs once per N with
# its Nth allocation failing, in a build of its own with
# UndefinedBehaviorSanitizer. ALLOCFAIL_STRIDE=k tries every k-th N only
# (plus the first and last ALLOCFAIL_EDGE and the first of every site); CI
# samples that way, this target by default tries them all.
ALLOCFAIL_STRIDE ?= 1
ALLOCFAIL_EDGE ?= 200
allocfail: deps
	cmake -S . -B build-allocfail -DCMAKE_BUILD_TYPE=Debug -DRAZIVAVU_ALLOC_FAIL=ON $(LAUNCHER) \
	      "-DCMAKE_CXX_FLAGS=-O1 -fsanitize=undefined -fno-sanitize-recover=all" \
	      -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=undefined
	cmake --build build-allocfail -j $(JOBS) --target allocfail_tests
	RAZIVAVU_ALLOCFAIL_STRIDE=$(ALLOCFAIL_STRIDE) RAZIVAVU_ALLOCFAIL_EDGE=$(ALLOCFAIL_EDGE) \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir build-allocfail --output-on-failure -j $(JOBS) -L allocfail

# cpack reads the binaries' library dependencies with dpkg-shlibdeps (dpkg-dev,
# file); the install check builds the example with pkg-config and reads the
# packages' manual pages with man.
package-deps:
	@bash scripts/install-deps.sh dpkg-dev file pkg-config man-db

package: build package-deps
	cd $(BUILD) && cpack -G DEB

install-check: build package-deps
	bash scripts/check-install.sh $(BUILD)

# The same with the libraries built shared (the commands and libraries only).
install-check-shared: package-deps
	cmake -S . -B build-shared -DCMAKE_BUILD_TYPE=Release -DRAZIVAVU_SHARED=ON -DRAZIVAVU_TESTS=OFF $(LAUNCHER)
	cmake --build build-shared -j $(JOBS)
	bash scripts/check-install.sh build-shared

# Every C++ file of the tree must already be as clang-format leaves it.
format-check:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

bench:
	@bash scripts/run-bench.sh

# The benchmark of --part alone (it takes a quarter of an hour at full size;
# PARTS_WIDTH and PARTS_HEIGHT make it smaller).
bench-parts: build
	bash scripts/bench-parts.sh $(BUILD) bench-out

FUZZ_SECONDS ?= 600
FUZZ_TARGETS ?=
fuzz-build:
	@RAZIVAVU_FUZZ_DEPS=1 bash scripts/install-deps.sh
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DRAZIVAVU_FUZZ=ON -DRAZIVAVU_TESTS=OFF
	cmake --build build-fuzz -j $(JOBS) --target fuzz_bmp fuzz_jpeg fuzz_compress fuzz_blocks \
	      fuzz_png fuzz_tiff fuzz_texfile fuzz_settings fuzz_manifest

fuzz: fuzz-build
	bash scripts/run-fuzz.sh build-fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

clean:
	rm -rf $(BUILD) build-sanitize build-tsan build-fuzz build-shared build-allocfail fuzz-out demo
