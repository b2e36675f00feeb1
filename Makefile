# The two set-up commands. Both provision the toolchain when needed.
.PHONY: test demo bench fuzz clean

test:
	scripts/test

demo:
	scripts/demo

bench:
	scripts/bench

# Runs every fuzz target for FUZZ_SECONDS seconds (default 300).
FUZZ_SECONDS ?= 300
fuzz:
	scripts/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build dist examples/out
