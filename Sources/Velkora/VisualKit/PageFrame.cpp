#include "VisualKit/PageFrame.h"

#include <QEvent>
#include <QLayoutItem>
#include <QScrollBar>
#include <QVBoxLayout>

namespace velkora {

PageFrame::PageFrame(QWidget* parent) : PageFrame(Metrics(), parent) {}

PageFrame::PageFrame(const Metrics& metrics, QWidget* parent) : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(metrics.showsScrollIndicators ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    auto* content = new QWidget(this);
    column_ = new QVBoxLayout(content);
    column_->setSpacing(metrics.spacing);
    column_->setContentsMargins(metrics.padding);
    column_->addStretch(1);
    setWidget(content);
    // setWidget makes the content paint its background; the window's
    // backdrop is to show through instead.
    content->setAutoFillBackground(false);
}

namespace {

// A section that can grow across spans the column; one that cannot keeps
// its own width at the leading edge (an aligned item never grows).
Qt::Alignment alignmentFor(QWidget* section)
{
    return (QWidgetItem(section).expandingDirections() & Qt::Horizontal) ? Qt::Alignment() : Qt::AlignLeft;
}

}  // namespace

void PageFrame::addSection(QWidget* section)
{
    // Before the closing stretch, which keeps sections at the top.
    column_->insertWidget(column_->count() - 1, section, 0, alignmentFor(section));
    // Content added to the section later may let it grow.
    section->installEventFilter(this);
}

bool PageFrame::eventFilter(QObject* watched, QEvent* event)
{
    // Content added to a section before the page shows posts no layout
    // request: the first showing decides too.
    const bool mayHaveGrown = event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show;
    if (mayHaveGrown && watched->isWidgetType()) {
        auto* section = static_cast<QWidget*>(watched);
        const Qt::Alignment alignment = alignmentFor(section);
        if (section->parentWidget() == widget() && column_->itemAt(column_->indexOf(section))->alignment() != alignment) {
            column_->setAlignment(section, alignment);
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

void PageFrame::addSpacing(int points)
{
    column_->insertSpacing(column_->count() - 1, points);
}

}  // namespace velkora
