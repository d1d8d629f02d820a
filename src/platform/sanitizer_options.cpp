// Built into every program only for sanitizer builds.
//
// The sanitizer runtime of GCC 12 takes a dynamic TLS block (the GL driver's
// libraries have them) that happens to start 16 bytes into a page for a
// block of glibc before 2.25 and reads a bogus range from the bytes before
// it; the leak check at exit then dies in its tracer ("Tracer caught signal
// 11"), now and then, after a run that did nothing wrong. Not intercepting
// __tls_get_addr keeps it from looking: dynamic TLS is then not scanned for
// pointers, and nothing of ours keeps allocations only there.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
