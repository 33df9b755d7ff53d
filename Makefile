# The two commands of the README: `make demo` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build test sanitize fuzz demo bench screenshots package-check mutants clean

deps:
	@scripts/install-deps.sh

# VARNEL_CMAKE_ARGS: extra cache settings for a new build folder (CI sets
# -DCMAKE_COMPILE_WARNING_AS_ERROR=ON).
configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(VARNEL_CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The whole test suite again in a Debug build with AddressSanitizer and
# UndefinedBehaviorSanitizer; any finding fails.
sanitize: deps
	scripts/sanitize.sh

# Each fuzz target (clang's libFuzzer) for a bounded time; FUZZ_SECONDS each.
fuzz: deps
	scripts/fuzz.sh

# Builds only the two programs the demo runs.
demo: configure
	scripts/make-demo.sh $(BUILD)

# The benchmarks are built whatever the build folder was last set up for
# (the mutant runs set it up without them), so no figure comes from an old
# program.
bench: configure
	cmake -S . -B $(BUILD) -DVARNEL_BUILD_BENCHMARKS=ON > /dev/null
	cmake --build $(BUILD) -j $(JOBS)
	scripts/run-bench.sh $(BUILD)

screenshots: build
	scripts/make-screenshots.sh $(BUILD)

# The .deb (cpack) installed with apt-get into a clean Debian 12 root and
# run from there; without a way to make one, an install into a scratch
# prefix; lintian checks the package. Builds only the packaged programs.
# Slow: not part of `make test`.
package-check: configure
	scripts/package-check.sh $(BUILD)

# What the tests catch: each mutant of scripts/mutants.txt applied alone,
# the test programs that can see it rebuilt and run (slow; a build folder of
# its own). ONLY=id,id runs some of them.
MUTANTS_BUILD ?= build-mutants
mutants: deps
	scripts/mutants.sh $(MUTANTS_BUILD) $(if $(ONLY),--only $(ONLY))

clean:
	rm -rf $(BUILD) demo screenshots
