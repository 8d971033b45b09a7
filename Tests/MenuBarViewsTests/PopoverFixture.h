#pragma once

#include "../WindowViewTests/WindowFixture.h"

#include "MenuBar/MenuPopoverView.h"

#include "VelkoraCore/IPC.h"
#include "VelkoraCore/VelkoraDaemonProtocol.h"

namespace velkora::test {

// The popover on a model of a simulated Mac (see WindowFixture), shown in a
// window of its own; opening the main window is counted.
class PopoverFixture : public WindowFixture {
protected:
    explicit PopoverFixture(const std::string& hardware = "firmware-limit-laptop") : WindowFixture(hardware) {}

    ViewEnvironment popoverEnvironment()
    {
        ViewEnvironment popover = environment();
        popover.openMainWindow = [this] { ++mainWindowOpenings; };
        return popover;
    }

    MenuPopoverView* showPopover()
    {
        popover = new MenuPopoverView(popoverEnvironment());
        shown.reset(popover);
        popover->show();
        settle();
        // A window that shows makes the application active, and the model
        // checks its helper again: the test starts once that is over.
        EXPECT_TRUE(waitFor([&] { return !model->helperStatus().isBusy(); }));
        settle();
        return popover;
    }

    // Records every command and holds it until the test answers it.
    void holdCommands()
    {
        setScript([this](DaemonRequest& request) {
            if (request.selector == VelkoraDaemonProtocol::performSelector) {
                {
                    std::lock_guard lock(daemonMutex);
                    performed.push_back(IPC::decode<ControlCommand>(*request.argument));
                }
                peer->hold(request);
                handled();
            }
        });
    }

    // Answers the held commands with the daemon's snapshot, or with `error`.
    void answerHeld(std::optional<std::string> error = std::nullopt)
    {
        for (DaemonRequest& request : peer->takeHeld()) {
            if (error) {
                request.answer(std::nullopt, *error);
            } else {
                std::lock_guard lock(daemonMutex);
                request.answer(IPC::encode(daemonSnapshot), std::nullopt);
            }
        }
    }

    template <typename Payload>
    int countOf()
    {
        int count = 0;
        for (const ControlCommand& command : performedCommands()) {
            count += std::holds_alternative<Payload>(command.payload) ? 1 : 0;
        }
        return count;
    }

    MenuPopoverView* popover = nullptr;
    int mainWindowOpenings = 0;
};

}  // namespace velkora::test
