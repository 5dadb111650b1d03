# The two commands: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
# Warnings stop the build only where asked (CI sets WERROR=ON).
WERROR ?= OFF

.PHONY: all deps configure build run test bench release sanitize fuzz clean format

all: build

deps:
	@scripts/install-deps.sh

# Configured once, and again when WERROR changes.
$(BUILD)/.werror-$(WERROR):
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTAYLINE_WERROR=$(WERROR) >/dev/null
	@rm -f $(BUILD)/.werror-* && touch $@

configure: deps $(BUILD)/.werror-$(WERROR)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The desktop program when a display is present and it was built, else staylined.
run: build
	@scripts/run-demo.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

bench: build
	@scripts/run-bench.sh $(BUILD)

# The checks CI runs besides the suite, each in its own build folder.
release: deps
	@scripts/ci-checks.sh release
sanitize: deps
	@scripts/ci-checks.sh sanitize
fuzz: deps
	@scripts/ci-checks.sh fuzz

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-release build-asan build-fuzz
