// Built into the player only for sanitizer builds. System libraries that the
// window layer loads keep allocations for the life of the process on purpose;
// they are not ours to fix and would hide real reports.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n"
           "leak:libX11.so\n"
           "leak:libfontconfig.so\n";
}

// Keep standard error exactly what the program writes.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
