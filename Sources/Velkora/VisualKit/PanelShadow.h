#pragma once

#include "VisualKit/PanelShadowImage.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

class QWidget;

namespace velkora {

class VelkoraPanel;

// Paints the shadows of the panels that lie on one widget (the holder: the
// nearest ancestor of each panel that paints an opaque background, or its
// window). The holder paints itself first, then the shadows, then its
// children draw over them, so a shadow falls under everything and is not
// cut at the edges of the containers in between; only the viewport of a
// scroll area crops it. Made for a holder on first use, as its child.
class PanelShadowHost : public QObject {
public:
    static PanelShadowHost* of(QWidget* holder);
    // The widget that paints `panel`'s shadow.
    static QWidget* holderOf(const QWidget* panel);

    void add(VelkoraPanel* panel);
    void remove(VelkoraPanel* panel);
    QWidget* holder() const { return holder_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit PanelShadowHost(QWidget* holder);
    void paintShadows(const QRegion& region);

    QWidget* holder_;
    QList<QPointer<VelkoraPanel>> panels_;
    bool painting_ = false;
};

}  // namespace velkora
