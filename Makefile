# lowrank: the commands a user needs.  The build itself is CMake's, one
# preset per target; this file only strings the presets together.

PRESETS := linux64 linux32 win64 win32 octave
TEST_PRESETS := linux64 linux64-asan fuzz linux32 win64 win32 octave
# Octave as the tests run it (tests/CMakeLists.txt): without a history
# file, whose writing at exit can end the output with an error line.
OCTAVE := octave-cli --no-gui --norc --quiet --no-history
VERSION := $(shell grep -m1 -o 'lowrank VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)

.PHONY: all deps test demo bench dist fuzz memcheck clean FORCE

# Each job first installs what it needs, and only that (scripts/deps).
all:
	@scripts/deps build
	$(MAKE) $(PRESETS:%=build/%.built)

build/%.built: FORCE
	@scripts/deps $*
	cmake --preset $* >/dev/null
	cmake --build --preset $*

deps:
	@scripts/deps test

test: deps
	$(MAKE) $(TEST_PRESETS:%=build/%.built)
	@# Under Wine a program that starts while the Wine server of the one
	@# before is exiting can lose its connection: such a test runs again.
	@for p in $(TEST_PRESETS); do echo "== tests: $$p"; \
	  case $$p in win*) again="--repeat until-pass:3";; *) again="";; esac; \
	  ctest --preset $$p -j2 $$again || exit 1; done
	@# What could not be installed, and so did not run (scripts/deps).
	@[ ! -f build/deps-i386 ] || cat build/deps-i386

# The matrix-completion demo; options as name-value pairs, for example
#   make demo DEMO="'size', 1000, 'rank', 5"
DEMO :=
demo:
	@scripts/deps demo
	$(MAKE) build/octave.built
	@# Without a UTF-8 locale (as on a fresh system) gnuplot warns that it
	@# cannot convert the degree sign.
	[ "$$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8; \
	$(OCTAVE) --eval "addpath('build/octave/tools', 'examples'); complete_matrix('plot', 'build/completion.png'$(if $(DEMO),$(comma) $(DEMO)));"
	@# A photograph with 30% of its pixels known, completed.
	scripts/fetch-photo build/astronaut.png
	[ "$$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8; \
	$(OCTAVE) --eval "addpath('build/octave/tools', 'examples'); complete_matrix('photo', 'build/astronaut.png', 'plot', 'build/photograph.png');"

comma := ,

bench: all
	@scripts/fetch-photo build/astronaut.png || true
	@for b in build/linux64/bench/bench_*; do echo "== $$b"; $$b || exit 1; done
	@echo "== Octave"; $(OCTAVE) bench/bench_octave.m build/octave/tools build/octave/bench
	@echo "== matrix completion"; $(OCTAVE) bench/bench_completion.m build/octave/tools examples

# dist/lowrank: every module of every target side by side with the help
# files and m-files, the source and build_mex.m; dist/lowrank-VERSION.tar.gz:
# the Octave package.
dist: all
	rm -rf dist
	mkdir -p dist/lowrank/src
	for p in $(PRESETS); do cp build/$$p/tools/*.mex* dist/lowrank/; done
	cp help/*.m toolbox/*.m packaging/build_mex.m LICENSE NEWS dist/lowrank/
	cp -r toolbox/private dist/lowrank/
	sed 's/lowrank-VERSION/lowrank-$(VERSION)/g' packaging/README.dist.md > dist/lowrank/README.md
	cp tools/*.cpp gateway/lowrank_mex.h dist/lowrank/src/
	cp build/octave/lowrank-$(VERSION).tar.gz dist/
	@ls dist dist/lowrank

# Every fuzz harness for FUZZ_SECONDS each, from the seed corpus; what it
# finds stays in build/fuzz/fuzz/corpus.  make test runs a short smoke run.
FUZZ_SECONDS := 60
fuzz: build/fuzz.built
	@for t in dorvik halmet sunwick talvery quorvel; do echo "== fuzz $$t"; \
	  build/fuzz/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=6144 -print_final_stats=1 \
	    build/fuzz/fuzz/corpus/$$t fuzz/corpus/$$t || exit 1; done

# The 64-bit Linux suites under valgrind's memcheck.
memcheck: build/linux64.built
	@scripts/deps memcheck
	@for t in build/linux64/tests/test_*; do [ -x "$$t" ] || continue; echo "== memcheck $$t"; \
	  valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
	    $$t --gtest_brief=1 || exit 1; done

clean:
	rm -rf build dist
