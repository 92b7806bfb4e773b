# Quick start:
#   make demo   build the programs and align the example sequences
#   make test   build and run the test suite
# Missing build tools are installed first (as root), see scripts/install-deps.sh.

BUILD_DIR ?= build
ASAN_DIR ?= build-asan
DEMO_BUILD_DIR ?= build-demo
DEMO_DIR = $(DEMO_BUILD_DIR)/demo

BENCH_DIR ?= build-bench

.PHONY: all deps build demo test sanitize-test bench clean

all: build

deps:
	@sh scripts/install-deps.sh

build: deps
	@sh scripts/build.sh $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release

# Only the two programs, in their own build directory without the tests, so
# that the demo starts fast; it fails when an output differs from
# examples/expected.
demo: deps
	@sh scripts/build.sh $(DEMO_BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DTORVA_BUILD_TESTS=OFF
	@mkdir -p $(DEMO_DIR)
	./$(DEMO_BUILD_DIR)/torva -I examples/demo.fa -O $(DEMO_DIR)/demo.aln
	./$(DEMO_BUILD_DIR)/torva -P -I examples/protein.fa -O $(DEMO_DIR)/protein.aln
	@for f in demo.aln demo.aln.loc demo.aln.score protein.aln protein.aln.loc protein.aln.score; do \
	    cmp "$(DEMO_DIR)/$$f" "examples/expected/$$f" || { \
	        echo "DEMO FAILED: $(DEMO_DIR)/$$f differs from examples/expected/$$f" >&2; exit 1; }; \
	done
	@for f in $(DEMO_DIR)/demo.aln.score $(DEMO_DIR)/protein.aln.score; do echo "==> $$f <=="; cat "$$f"; done
	@echo "demo: all six output files match examples/expected"

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure

sanitize-test: deps
	@sh scripts/build.sh $(ASAN_DIR) -DTORVA_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	ctest --test-dir $(ASAN_DIR) --output-on-failure

# Kernel throughput; both programs beside a general SIMD aligner on the real
# pairs in bench/data (up to 50 kb; bench/compare.sh with 100k adds a
# synthetic 100 kb pair); 200 pairs on one and two threads.
bench: deps
	@sh scripts/build.sh $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DTORVA_BUILD_TESTS=OFF -DTORVA_BUILD_BENCH=ON
	./$(BENCH_DIR)/torva_kernels_bench
	bench/compare.sh $(BENCH_DIR) 3 50k
	bench/many_pairs.sh $(BENCH_DIR) 3

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(BENCH_DIR) $(DEMO_BUILD_DIR)
