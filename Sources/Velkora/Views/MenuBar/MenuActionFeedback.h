#pragma once

#include "MenuBar/MenuFeedbackState.h"

#include "VisualKit/ViewEnvironment.h"

#include <QColor>
#include <QWidget>

namespace velkora {

class VelkoraButton;
class VelkoraLabel;

// The popover's feedback block above the quick actions: why a quick action
// cannot work or did not work (MenuFeedbackState). Waiting for approval it
// offers "Resolve Now" (the model's next helper step); an outdated helper
// and an error show a banner with the message and a button that opens the
// main window. Each lies on a rounded rectangle of its tint at 0.09, the
// banners outlined in the tint at 0.22. The block follows the model: it
// comes, changes and goes as the state changes, sliding from the top and
// fading (at once with reduced motion); nothing shows for `none`. Needs the
// environment's model. Main thread only.
class MenuActionFeedback : public QWidget {
    Q_OBJECT
public:
    explicit MenuActionFeedback(const ViewEnvironment& environment, QWidget* parent = nullptr);

    const MenuFeedbackState& state() const { return state_; }
    // Whether a block is meant to show (it may still be fading).
    bool isShowing() const { return state_.kind != MenuFeedbackState::Kind::none; }
    // The shown block's message and button; null while nothing shows.
    VelkoraLabel* messageLabel() const { return message_; }
    VelkoraButton* actionButton() const { return action_; }
    QColor tint() const { return tint_; }
    bool hasBorder() const { return border_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();
    void build();
    void banner(const QString& symbol, const QString& message, const QColor& tint);
    void approvalRow();

    ViewEnvironment environment_;
    MenuFeedbackState state_;
    QWidget* content_ = nullptr;
    VelkoraLabel* message_ = nullptr;
    VelkoraButton* action_ = nullptr;
    QColor tint_;
    bool border_ = false;
};

}  // namespace velkora
