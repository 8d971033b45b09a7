#pragma once

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
    BackgroundPermissionGuideView(std::function<void()> onDismiss, std::function<void()> onCheckAgain,
                                  QWidget* parent = nullptr);

    // The draggable card (object name "guide-app-card").
    QWidget* appIdentityCard() const { return card_; }
    QAbstractButton* closeButton() const { return close_; }
    QAbstractButton* checkAgainButton() const { return checkAgain_; }

    // The picture that follows the pointer while the card is dragged.
    static QPixmap dragPreview(qreal devicePixelRatio);
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
