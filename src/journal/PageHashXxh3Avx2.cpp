// XXH3 for CPUs with AVX2; chosen at run time.
#define TSRN_XXH3_NAME Xxh3Avx2
#include "journal/PageHashXxh3.inc"
