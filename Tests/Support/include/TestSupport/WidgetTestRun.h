#pragma once

// How a test program of widgets runs the tests its arguments select: in a
// QApplication in the dark appearance, answering what RUN_ALL_TESTS answers.
namespace WidgetTestRun {

// On Qt's offscreen platform, unless QT_QPA_PLATFORM names another.
int offscreen(int argc, char** argv);

// On Qt's X11 platform, on an X display of the process's own (Xvfb), which
// listing the tests does without. `tests` names them in the message that
// tells Xvfb did not start.
int onVirtualDisplay(int argc, char** argv, const char* tests);

}  // namespace WidgetTestRun
