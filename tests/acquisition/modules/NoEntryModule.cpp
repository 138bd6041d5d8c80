// A library without the manager's entry point: loading it as a manager must fail.
extern "C" __attribute__((visibility("default"))) int NotTheEntry()
{
    return 0;
}
