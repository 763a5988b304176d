#!/bin/sh
# Runs an image test program with its kernels forced onto one instruction
# set: run_on_simd_path.sh scalar|sse2|avx2 PROGRAM [ARGS...]. Exits 77
# (skipped) where the processor lacks the instruction set.
path=$1
shift
if [ "$path" = avx2 ] && ! grep -qw avx2 /proc/cpuinfo; then
    echo "this processor has no AVX2: the avx2 path is not tested here"
    exit 77
fi
FPKEY_SIMD=$path exec "$@"
