# Build trees:
#   build/native  the window-free core with g++, tested under ASan and UBSan
#   build/win32   the product: 32-bit Windows (ral.exe, plug-ins, tests)
#   build/win64   the same sources for 64-bit Windows, used to run the Windows
#                 suites under Wine on hosts that cannot execute 32-bit code
BUILD  := build
CMAKE  := cmake -G Ninja -Wno-dev

.PHONY: all setup native win32 win64 windows test test-native test-fuzz test-wine run dist bench fuzz clean format

all: native win32

setup:
	@scripts/setup

native: setup
	@$(CMAKE) -S . -B $(BUILD)/native -DCMAKE_BUILD_TYPE=Debug -DTAMSEL_SANITIZE=ON >/dev/null
	@cmake --build $(BUILD)/native

win32 win64: setup
	@$(CMAKE) -S . -B $(BUILD)/$@ -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-$(if $(filter win32,$@),i686,x86_64).cmake >/dev/null
	@cmake --build $(BUILD)/$@

windows: win32

test-native: native
	@cd $(BUILD)/native && ctest --output-on-failure

# The Windows suites run from the 32-bit build where the host can execute
# 32-bit code, otherwise from the 64-bit build (the 32-bit one still builds).
test-wine: win32
	@if scripts/can-run-32bit; then \
	  scripts/wine-prefix win32 && cd $(BUILD)/win32 && ctest --output-on-failure; \
	else \
	  echo "test-wine: this host cannot execute 32-bit programs; running the Windows suites from the 64-bit build"; \
	  $(MAKE) --no-print-directory win64 && scripts/wine-prefix win64 && \
	  cd $(BUILD)/win64 && ctest --output-on-failure; \
	fi

# Each fuzz target for a few seconds on its corpus: a regression shows here.
test-fuzz: setup
	@FUZZ_SECONDS=$${FUZZ_SECONDS:-5} scripts/fuzz

test: test-native test-fuzz test-wine

run: win32
	@scripts/run

bench:
	@scripts/bench

# Each fuzz target for FUZZ_SECONDS (default 600).
fuzz: setup
	@scripts/fuzz

# The 32-bit family in dist/, the 64-bit one in dist/x64/.
dist: win32 win64
	@scripts/dist $(BUILD)/win32 dist $(BUILD)/win64

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) dist
