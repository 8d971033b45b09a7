// Velkora: the menu-bar application, shipped as Tallowmere.app. Command-line
// arguments are not read; the event loop runs until the application quits.
// The model starts at once: it registers and checks the helper daemon, polls
// the battery and runs the scheduler whether or not a window is shown.

#include "Model/AppModel.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const std::shared_ptr<velkora::AppModel> model = velkora::AppModel::create();
    // Without a window nobody can press Install: the program asks for the
    // helper itself, once, as the window's install button does.
    if (model->helperStatus() == velkora::HelperStatus::notInstalled()) {
        model->performPrimaryHelperAction();
    }
    return QApplication::exec();
}
