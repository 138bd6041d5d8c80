#include <benchmark/benchmark.h>

void RegisterRegisteredEffectBenchmarks();

int main(int argc, char** argv)
{
    // After static initialisation, when every family has registered its effects.
    RegisterRegisteredEffectBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
