#pragma once

#include "../AppModelTests/ModelFixture.h"

#include "TestSupport/ModelViewEnvironment.h"
#include "VisualKit/AppRouter.h"
#include "VisualKit/ReduceMotionSource.h"

#include <QAbstractButton>
#include <QTest>
#include <QWidget>

#include <memory>

namespace velkora::test {

// A model on a simulated Mac (see ModelFixture) with the rest of the views'
// environment: a router and a reduce-motion source the test sets. Views are
// shown offscreen at the main window's default size.
class WindowFixture : public ModelFixture {
protected:
    explicit WindowFixture(const std::string& hardware = "firmware-limit-laptop") : ModelFixture(hardware) {}

    void TearDown() override
    {
        shown.reset();
        settle();
        ModelFixture::TearDown();
    }

    ViewEnvironment environment()
    {
        ViewEnvironment environment = modelViewEnvironment(*model, reduceMotion);
        environment.router = &router;
        return environment;
    }

    // Shows `view` at 1180 x 760 and keeps it until the test ends.
    template <typename View>
    View* show(View* view)
    {
        shown.reset(view);
        view->resize(1180, 760);
        view->show();
        settle();
        return view;
    }

    // Clicks the visible button named `name` in `view`.
    void click(QWidget* view, const QString& name)
    {
        auto* button = view->findChild<QAbstractButton*>(name);
        ASSERT_NE(button, nullptr) << name.toStdString();
        ASSERT_TRUE(button->isVisible()) << name.toStdString();
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() - 4, button->height() / 2));
        settle();
    }

    // A model whose helper is not installed: every reading is the local one.
    void createModelWithoutHelper()
    {
        registration->currentStatus = platform::SMAppService::Status::notRegistered;
        createSettledModel();
    }

    AppRouter router;
    ReduceMotionSource reduceMotion;
    std::unique_ptr<QWidget> shown;
};

}  // namespace velkora::test
