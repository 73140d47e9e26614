# The two commands of the README:
#   make demo   builds everything, makes the sample panorama, tiles it in demo/ and
#               puts the tiles back together as demo/pano_mosaic_level2.png
#   make test   builds everything and runs the whole test suite
# plus `make bench` for the benchmarks and `make sanitize` for the ASan/UBSan run.

BUILD ?= build
JOBS ?= 2

.PHONY: all deps build demo test bench sanitize clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	mkdir -p demo
	$(BUILD)/make_sample demo/pano.bmp
	cd demo && ../$(BUILD)/razivavu pano.bmp < /dev/null
	$(BUILD)/razivavu-inspect --mosaic 2 --png demo demo/pano

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

sanitize: deps
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DRAZIVAVU_SANITIZE=ON \
	      -DCMAKE_CXX_FLAGS=-O1
	cmake --build build-sanitize -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir build-sanitize --output-on-failure -j $(JOBS)

bench:
	@bash scripts/run-bench.sh

clean:
	rm -rf $(BUILD) build-sanitize demo
