#!/bin/sh
# Fuzzes the OBJ reader with libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer (needs
# clang; a development tool, not part of the build or of ./test.sh). New inputs that reach new code
# are merged into the kept corpus, which render_cpu_tests replays.
#   tests/render/fuzz/run_obj_fuzz.sh [seconds]   (default 300)
set -eu
root=$(cd "$(dirname "$0")/../../.." && pwd)
seconds=${1:-300}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -DVK_NO_PROTOTYPES -DGLM_FORCE_QUAT_DATA_WXYZ -DGLM_FORCE_DEPTH_ZERO_TO_ONE -DGLM_FORCE_RADIANS \
    -DGLM_ENABLE_EXPERIMENTAL -I"$root/deps" -I"$root/src" \
    "$root/tests/render/fuzz/obj_fuzz.cpp" "$root/src/mesh.cpp" "$root/src/io.cpp" \
    "$root/deps/vek/memory.cpp" "$root/deps/vek/print.cpp" "$root/deps/vek/panic.cpp" \
    -Wl,--wrap=_Z10vek_mallocm,--wrap=_Z10vek_callocmm,--wrap=_Z11vek_reallocPvm,--wrap=_Z8vek_freePv \
    -Wl,--wrap=_Z9vek_panicPKcjS0_S0_z -ldl -o "$work/obj_fuzz"

corpus="$root/tests/render/fuzz_corpus"
mkdir -p "$corpus" "$work/new"
"$work/obj_fuzz" -max_total_time="$seconds" -max_len=16384 -dict="$root/tests/render/fuzz/obj.dict" \
    -print_final_stats=1 "$work/new" "$corpus"
# Keep only inputs that add coverage.
mkdir -p "$work/merged"
"$work/obj_fuzz" -merge=1 "$work/merged" "$corpus" "$work/new"
rm -f "$corpus"/*
cp "$work/merged"/* "$corpus"/
echo "corpus: $(ls "$corpus" | wc -l) inputs"
