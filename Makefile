# The front door. `make` installs what is missing and builds the plug-in and
# the previewer; `make windows` installs the cross-compiler and builds the
# 32-bit DLL; `make test` installs what is missing, builds the Linux library
# and the 32-bit Windows DLL, and runs every test (the DLL's under wine).
BUILD_DIR ?= build
WIN_BUILD_DIR ?= build-win
WIN64_BUILD_DIR ?= build-win64
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build windows windows64 test test-native test-windows test-windows64 dist deps-preview deps-native deps-windows \
	deps-windows-build deps-windows64 deps-dist deps-bench \
	deps-fuzz deps-clean-room configure demo browser-check bench callgrind soak fuzz clean-room clean web test-web

all: build

deps-preview:
	@scripts/install-deps.sh preview

deps-native:
	@scripts/install-deps.sh native

deps-windows:
	@scripts/install-deps.sh windows

deps-windows-build:
	@scripts/install-deps.sh windows-build

deps-windows64:
	@scripts/install-deps.sh windows64

deps-dist:
	@scripts/install-deps.sh dist

deps-bench:
	@scripts/install-deps.sh preview bench

deps-fuzz:
	@scripts/install-deps.sh preview fuzz

deps-clean-room:
	@scripts/install-deps.sh clean-room

# Configured every time: quick when nothing changed, and it finds what a
# deps-* target has just installed (a tool left out for want of a library is
# looked for again).
# Only its lines about what is left out are shown, unless it fails.
configure:
	@mkdir -p $(BUILD_DIR)
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >$(BUILD_DIR)/configure.log 2>&1 \
		|| { cat $(BUILD_DIR)/configure.log; exit 1; }
	@grep -- '-- .*left out' $(BUILD_DIR)/configure.log || true

$(WIN_BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(WIN_BUILD_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

$(WIN64_BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(WIN64_BUILD_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release

build: deps-preview
	@$(MAKE) --no-print-directory configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

windows: deps-windows-build
	@$(MAKE) --no-print-directory $(WIN_BUILD_DIR)/CMakeCache.txt
	cmake --build $(WIN_BUILD_DIR) -j $(JOBS)

windows64: deps-windows64
	@$(MAKE) --no-print-directory $(WIN64_BUILD_DIR)/CMakeCache.txt
	cmake --build $(WIN64_BUILD_DIR) -j $(JOBS)

test-native: deps-native
	$(MAKE) build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

test-windows: deps-windows
	$(MAKE) windows
	cd $(WIN_BUILD_DIR) && ctest --output-on-failure

test-windows64: deps-windows64
	$(MAKE) windows64
	cd $(WIN64_BUILD_DIR) && ctest --output-on-failure

# The page's test in the browser runs too where Chromium is installed.
test: test-native test-windows test-windows64 $(if $(wildcard /usr/bin/chromium),test-web)

# The release: dist/agsRollwick2-VERSION-SUM/ and its .zip, byte for byte the
# same on every run, with the page built for it.
dist: deps-dist web
	scripts/make-dist.sh

# Renders the demo credits through the built plug-in.
DEMO_DIR = $(BUILD_DIR)/demo
DEMO_SPRITES = --sprite 1=examples/sprites/logo.png --sprite 2=examples/sprites/star.png \
	--sprite 3=examples/sprites/divider.png

demo: deps-preview
	@$(MAKE) --no-print-directory configure
	@echo "building the plug-in and rollwick-preview (log: $(BUILD_DIR)/demo-build.log)"
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target agsRollwick2 rollwick-preview >$(BUILD_DIR)/demo-build.log 2>&1 \
		|| { tail -n 40 $(BUILD_DIR)/demo-build.log; exit 1; }
	@mkdir -p $(DEMO_DIR)
	@$(BUILD_DIR)/rollwick-preview examples/demo.credits $(DEMO_SPRITES) -q \
		-o $(DEMO_DIR)/credits.gif --sheet $(DEMO_DIR)/contact-sheet.png --sheet-frames 16
	@for video in credits.mp4 credits.webm; do \
		$(BUILD_DIR)/rollwick-preview examples/demo.credits $(DEMO_SPRITES) --sound 1=examples/sounds/key.wav -q \
			-o $(DEMO_DIR)/$$video || exit 1; \
	done
	@$(BUILD_DIR)/rollwick-preview examples/GlobalScript.asc --sprite 1=examples/sprites/logo.png \
		--sprite 3=examples/sprites/divider.png -q -o $(DEMO_DIR)/global-script.gif
	@for sheet in csv md; do \
		$(BUILD_DIR)/rollwick-preview examples/credits-sheet.$$sheet --sprite 1=examples/sprites/logo.png \
			--sprite 3=examples/sprites/divider.png -q -o $(DEMO_DIR)/credits-sheet-$$sheet.gif || exit 1; \
	done
	@echo "The demo credits: $(DEMO_DIR)/credits.gif, $(DEMO_DIR)/credits.mp4, $(DEMO_DIR)/credits.webm"
	@echo "Credits from a sheet: $(DEMO_DIR)/credits-sheet-csv.gif, $(DEMO_DIR)/credits-sheet-md.gif"
	@echo "The credits of a game's global script: $(DEMO_DIR)/global-script.gif"
	@echo "Its contact sheet: $(DEMO_DIR)/contact-sheet.png"

# The plug-in's cost per frame beside its floor, and its heap allocations.
bench: deps-bench
	@$(MAKE) --no-print-directory configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target frame-benchmark
	$(BUILD_DIR)/bench/frame-benchmark --benchmark_min_time=0.1 --benchmark_repetitions=15 \
		--benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true

# Instructions per frame, counted by callgrind.
callgrind: deps-bench
	@$(MAKE) --no-print-directory configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target callgrind-frames
	bench/callgrind.sh $(BUILD_DIR)

# 200,000 frames of alternating playback: no heap growth natively, no leak
# or memory error under valgrind.
soak: deps-bench
	@$(MAKE) --no-print-directory configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target soak
	$(BUILD_DIR)/bench/soak 200000
	valgrind --leak-check=full --show-leak-kinds=definite,indirect,possible \
		--errors-for-leak-kinds=definite,indirect,possible --error-exitcode=1 $(BUILD_DIR)/bench/soak 200000

# Each fuzz target for FUZZ_SECONDS on its committed seeds.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz: deps-fuzz
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DROLLWICK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	scripts/fuzz.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

# The demo's videos played by headless Chromium (Debian's).
browser-check: demo
	@scripts/install-deps.sh browser
	scripts/browser-check.sh $(DEMO_DIR)/credits.webm $(DEMO_DIR)/credits.mp4

# The page: build/web/rollwick.html, one file with its WebAssembly inside,
# from the same core as the command line; the libraries it links are built
# once from Debian's source packages into build-web-deps/.
WEB_DEPS_DIR ?= build-web-deps
WEB_BUILD_DIR ?= $(BUILD_DIR)/web-wasm
web:
	@scripts/install-deps.sh web
	scripts/build-web-deps.sh $(WEB_DEPS_DIR)
	NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B $(WEB_BUILD_DIR) -DCMAKE_BUILD_TYPE=Release \
		-DROLLWICK_BUILD_TESTS=OFF "-DCMAKE_CXX_FLAGS=-fexceptions -ffile-prefix-map=$(CURDIR)=." \
		-DCMAKE_PREFIX_PATH=$(abspath $(WEB_DEPS_DIR))/prefix -DCMAKE_FIND_ROOT_PATH=$(abspath $(WEB_DEPS_DIR))/prefix >/dev/null
	NODE_PATH=/usr/share/nodejs cmake --build $(WEB_BUILD_DIR) -j $(JOBS) --target rollwick_web
	node scripts/make-page.js $(WEB_BUILD_DIR)/preview/web/rollwick.js $(BUILD_DIR)/web

# The page in headless Chromium against the command line's frames.
test-web: web build
	@scripts/install-deps.sh web-test
	scripts/test-web.sh $(BUILD_DIR)/web $(BUILD_DIR)

# The README's two commands on a bare Debian 12 root (needs root).
clean-room: deps-clean-room
	scripts/clean-room.sh

clean:
	rm -rf $(BUILD_DIR) $(WIN_BUILD_DIR) $(WIN64_BUILD_DIR) $(FUZZ_DIR) build-dist dist $(WEB_DEPS_DIR)
