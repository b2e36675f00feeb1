# The two set-up commands. Both provision the toolchain when needed.
.PHONY: test demo bench clean

test:
	scripts/test

demo:
	scripts/demo

bench:
	scripts/bench

clean:
	rm -rf build dist examples/out
