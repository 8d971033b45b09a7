#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <csignal>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

// An X display of the test process's own: Xvfb on a free display number,
// which it picks and reports once it accepts clients. It ends with the
// object, or with the process. Start it before the QApplication.
class VirtualDisplay {
public:
    VirtualDisplay()
    {
        int ready[2];
        if (pipe(ready) != 0) {
            return;
        }
        server_ = fork();
        if (server_ == 0) {
            close(ready[0]);
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const std::string fd = std::to_string(ready[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        std::string number;
        char c = 0;
        while (read(ready[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(ready[0]);
        if (!number.empty()) {
            name_ = ":" + number;
            // Qt's X11 platform on it, whatever the environment says.
            qputenv("DISPLAY", QByteArray::fromStdString(name_));
            qputenv("QT_QPA_PLATFORM", "xcb");
        }
    }

    ~VirtualDisplay()
    {
        if (server_ > 0) {
            kill(server_, SIGTERM);
            waitpid(server_, nullptr, 0);
        }
    }

    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // Empty when Xvfb did not come up.
    const std::string& name() const { return name_; }

private:
    pid_t server_ = -1;
    std::string name_;
};
