#include "TestSupport/WidgetTestRun.h"

int main(int argc, char** argv)
{
    return WidgetTestRun::offscreen(argc, argv);
}
