// Compiled into every test program. Fontconfig keeps caches for the life of
// the process and never frees them; they are no leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}
