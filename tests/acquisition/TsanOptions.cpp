// The SANE tests run scanimage beside the program to compare pages. Under ThreadSanitizer a
// process with threads may still fork a child that only runs another program.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options()
{
    return "die_after_fork=0";
}

// A test reads the test backend's debug lines, which its reader and our thread both print: SANE's
// printer stamps each line with localtime(), whose one result buffer the two threads share. Only
// the stamps are at stake; the report is SANE's, not ours.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:sanei_debug_msg\n";
}
#endif
