// The SANE tests run scanimage beside the program to compare pages. Under ThreadSanitizer a
// process with threads may still fork a child that only runs another program.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options()
{
    return "die_after_fork=0";
}
#endif
