// XXH3 for any x86-64 CPU (SSE2).
#define TSRN_XXH3_NAME Xxh3Sse2
#include "journal/PageHashXxh3.inc"
