# SPDX-License-Identifier: MIT
# Convenience targets used by the README and CI.
JOBS ?= $(shell nproc)

.PHONY: all run test test-optimized bench package format clean

# The program with its icons and documents only: the tests are built by `make test`.
all:
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVINTREL_BUILD_TESTS=OFF
	cmake --build build -j $(JOBS)

run: all
	./build/vintrel

# Warnings as errors, AddressSanitizer and UndefinedBehaviorSanitizer, every test.
test:
	cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVINTREL_SANITIZE=ON -DVINTREL_WERROR=ON
	cmake --build build-test -j $(JOBS)
	cd build-test && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The same tests on an optimized build by the other compiler (Clang, -O2, warnings as errors): a
# use after free the sanitizers' padding hides can crash here. The install checks stay with the
# main build.
test-optimized:
	CXX=clang++ cmake -S . -B build-clang -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVINTREL_WERROR=ON
	cmake --build build-clang -j $(JOBS)
	cd build-clang && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -E '^install_checks$$'

# A Debian package of the build: build/vintrel_VERSION_ARCH.deb
package: all
	cd build && cpack -G DEB

bench:
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVINTREL_BENCH=ON
	cmake --build build-bench -j $(JOBS) --target vintrel vintrel-query reference_window bench_startup bench_reply bench_search bench_settings bench_addressbook bench_longlines bench_connect bench_dnsrecords bench_dnscompare bench_dnschain
	./build-bench/bench/bench_settings
	./build-bench/bench/bench_search
	QT_QPA_PLATFORM=offscreen ./build-bench/bench/bench_addressbook
	QT_QPA_PLATFORM=offscreen ./build-bench/bench/bench_longlines
	./build-bench/bench/bench_connect
	QT_QPA_PLATFORM=offscreen ./build-bench/bench/bench_dnsrecords
	QT_QPA_PLATFORM=offscreen ./build-bench/bench/bench_dnscompare
	QT_QPA_PLATFORM=offscreen ./build-bench/bench/bench_dnschain
	bench/run build-bench
	python3 bench/terminal.py build-bench/vintrel

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-test build-bench build-fuzz build-clang
