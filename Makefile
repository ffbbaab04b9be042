# lowrank: the commands a user needs.  The build itself is CMake's, one
# preset per target; this file only strings the presets together.

PRESETS := linux64 linux32 octave
TEST_PRESETS := linux64 linux64-asan linux32 octave
DEPS := cmake ninja-build g++ make binutils libgtest-dev googletest libopenblas64-dev \
        g++-multilib liblapack-dev:i386 \
        octave liboctave-dev libopenblas0-pthread gnuplot-nox fonts-freefont-otf
OCTAVE := octave-cli --no-gui --norc --quiet
VERSION := $(shell grep -m1 -o 'lowrank VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)

.PHONY: all deps test demo bench dist clean FORCE

all: $(PRESETS:%=build/%.built)

build/%.built: FORCE
	cmake --preset $* >/dev/null
	cmake --build --preset $*

# i386 packages need the architecture enabled first.
deps:
	@if ! dpkg --print-foreign-architectures | grep -qx i386; then \
	  if [ "$$(id -u)" = 0 ]; then dpkg --add-architecture i386; \
	  else echo "deps: as root run:"; echo "  dpkg --add-architecture i386"; exit 1; fi; \
	fi
	@missing=$$(for p in $(DEPS); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -z "$$missing" ]; then echo "deps: everything is installed"; \
	elif [ "$$(id -u)" = 0 ]; then \
	  apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	else \
	  echo "deps: missing packages; as root run:"; echo "  apt-get install -y --no-install-recommends $$missing"; exit 1; \
	fi

test: deps
	$(MAKE) $(TEST_PRESETS:%=build/%.built)
	@for p in $(TEST_PRESETS); do echo "== tests: $$p"; ctest --preset $$p -j2 || exit 1; done

# The matrix-completion demo; options as name-value pairs, for example
#   make demo DEMO="'size', 1000, 'rank', 5"
DEMO :=
demo: deps
	$(MAKE) build/octave.built
	$(OCTAVE) --eval "addpath('build/octave/tools', 'examples'); complete_matrix('plot', 'build/completion.png'$(if $(DEMO),$(comma) $(DEMO)));"

comma := ,

bench: all
	@for b in build/linux64/bench/bench_*; do echo "== $$b"; $$b || exit 1; done
	@echo "== Octave"; $(OCTAVE) bench/bench_octave.m build/octave/tools

# dist/lowrank: every module of every target side by side with the help
# files, the source and build_mex.m; dist/lowrank-VERSION.tar.gz: the
# Octave package.
dist: all
	rm -rf dist
	mkdir -p dist/lowrank/src
	for p in $(PRESETS); do cp build/$$p/tools/*.mex* dist/lowrank/; done
	cp help/*.m packaging/build_mex.m LICENSE dist/lowrank/
	cp packaging/README.dist.md dist/lowrank/README.md
	cp tools/*.cpp gateway/lowrank_mex.h dist/lowrank/src/
	cp build/octave/lowrank-$(VERSION).tar.gz dist/
	@ls dist dist/lowrank

clean:
	rm -rf build dist
