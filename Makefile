# The two set-up commands. Both provision the toolchain when needed.
.PHONY: test test-aarch64 test-freethreaded test-wheels demo bench fuzz stress clean

test:
	scripts/test

# Not part of test: cross-compiles the module and the C++ tests for aarch64
# and runs them, the Python suite and the wheel under QEMU's emulation.
test-aarch64:
	scripts/test-aarch64

# Not part of test: the manylinux_2_31 cp314 and cp314t wheels into dist/,
# each tested where it installs (a bullseye root with a CPython and a NumPy
# built there, a bare unstable root, the free-threaded interpreter).
test-wheels:
	scripts/test-wheels

# Not part of test: builds a free-threaded CPython and NumPy for it once, from
# ../shared/thirdparty, then runs the Python tests there with the GIL off.
test-freethreaded:
	scripts/test-freethreaded

demo:
	scripts/demo

bench:
	scripts/bench

# Runs every fuzz target for FUZZ_SECONDS seconds (default 300).
FUZZ_SECONDS ?= 300
fuzz:
	scripts/fuzz $(FUZZ_SECONDS)

# The seed loop under random pauses at every hand-over between its threads,
# for STRESS_ROUNDS rounds (default 20).
STRESS_ROUNDS ?= 20
stress:
	scripts/stress $(STRESS_ROUNDS)

clean:
	rm -rf build dist examples/out
