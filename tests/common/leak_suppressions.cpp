// Allocations that fontconfig keeps for the life of the process (its
// configuration, read when Qt first lists the fonts) and never frees; the
// leak checker of sanitized builds would otherwise fail every window test.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
