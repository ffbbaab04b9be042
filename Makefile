# lowrank: the commands a user needs.  The build itself is CMake's, one
# preset per target; this file only strings the presets together.

PRESETS := linux64
TEST_PRESETS := linux64 linux64-asan
DEPS := cmake ninja-build g++ make binutils libgtest-dev libopenblas64-dev

.PHONY: all deps test bench clean

all: $(PRESETS:%=build/%.built)

build/%.built: FORCE
	cmake --preset $* >/dev/null
	cmake --build --preset $*
.PHONY: FORCE
FORCE:

deps:
	@missing=$$(for p in $(DEPS); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -z "$$missing" ]; then echo "deps: everything is installed"; \
	elif [ "$$(id -u)" = 0 ]; then \
	  apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	else \
	  echo "deps: missing packages; as root run:"; echo "  apt-get install -y $$missing"; exit 1; \
	fi

test: $(TEST_PRESETS:%=build/%.built)
	@for p in $(TEST_PRESETS); do echo "== tests: $$p"; ctest --preset $$p -j2 || exit 1; done

bench: build/linux64.built
	@for b in build/linux64/bench/bench_*; do echo "== $$b"; $$b || exit 1; done

clean:
	rm -rf build dist
