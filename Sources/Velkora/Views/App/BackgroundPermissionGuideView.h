#pragma once

#include "VisualKit/FloatingWindow.h"

#include <QWidget>

#include <functional>

class QAbstractButton;

namespace velkora {

// The approval guide's content: the application's card that the user drags
// into a System Settings permission list, an arrow up to that list, what to
// do, and a close button above "Check Again". Texts follow the
// application's language. Main thread only.
class BackgroundPermissionGuideView : public QWidget {
    Q_OBJECT
public:
    // The panel's rounded shape and its shadow: black at 0.34, blurred 30
    // points, 14 points down.
    static constexpr qreal cornerRadius = 26;
    static constexpr WindowShadow shadow{0.34, 30, 14};
    // The drag preview's shadow: black at 0.22, blurred 14, 7 down.
    static constexpr WindowShadow dragPreviewShadow{0.22, 14, 7};

    BackgroundPermissionGuideView(std::function<void()> onDismiss, std::function<void()> onCheckAgain,
                                  QWidget* parent = nullptr);

    // The draggable card (object name "guide-app-card").
    QWidget* appIdentityCard() const { return card_; }
    QAbstractButton* closeButton() const { return close_; }
    QAbstractButton* checkAgainButton() const { return checkAgain_; }

    // The picture that follows the pointer while the card is dragged; with
    // `shadowed` it is larger by dragPreviewShadow's margins, the shadow
    // drawn there.
    static QPixmap dragPreview(qreal devicePixelRatio, bool shadowed);
    // The point of the preview that stays under the pointer.
    static QPoint dragPreviewHotSpot(bool shadowed);
    // The application's icon `size` points square with rounded corners.
    static QPixmap appIcon(int size, qreal devicePixelRatio);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* card_;
    QAbstractButton* close_;
    QAbstractButton* checkAgain_;
};

}  // namespace velkora
