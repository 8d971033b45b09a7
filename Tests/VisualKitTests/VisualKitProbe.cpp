// A helper program for the kit's tests, for what needs a process of its own:
// the application's language is chosen once per process from the environment.
//
//   VisualKitProbe durations   prints formatDuration of a few counts, one a line

#include "VisualKit/ValueFormatting.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <limits>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 2 || std::strcmp(argv[1], "durations") != 0) {
        std::fputs("usage: VisualKitProbe durations\n", stderr);
        return 2;
    }
    for (const std::optional<std::int64_t> minutes :
         {std::optional<std::int64_t>(), std::optional<std::int64_t>(-5), std::optional<std::int64_t>(0),
          std::optional<std::int64_t>(1), std::optional<std::int64_t>(59), std::optional<std::int64_t>(60),
          std::optional<std::int64_t>(135), std::optional<std::int64_t>(std::numeric_limits<std::int64_t>::max())}) {
        std::printf("%s\n", velkora::formatDuration(minutes).toUtf8().constData());
    }
    return 0;
}
