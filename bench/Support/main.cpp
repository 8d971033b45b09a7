#include "BenchmarkSupport/BenchmarkMain.h"

int main(int argc, char** argv)
{
    return velkora::bench::runBenchmarks(argc, argv);
}
