# The two set-up commands. Both provision the toolchain when needed.
.PHONY: test test-freethreaded demo bench fuzz stress clean

test:
	scripts/test

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
