#include "BundledTestRun.h"

#include "TestSupport/WidgetTestRun.h"

int main(int argc, char** argv)
{
    return BundledTestRun::run(argc, argv, WidgetTestRun::offscreen);
}
