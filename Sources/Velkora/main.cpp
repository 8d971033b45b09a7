// Velkora: the menu-bar application, shipped as Tallowmere.app. Command-line
// arguments are not read; the event loop runs until the application quits.

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    return QApplication::exec();
}
