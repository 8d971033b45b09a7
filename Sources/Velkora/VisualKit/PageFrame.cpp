#include "VisualKit/PageFrame.h"

#include <QScrollBar>
#include <QVBoxLayout>

namespace velkora {

PageFrame::PageFrame(QWidget* parent) : PageFrame(Metrics(), parent) {}

PageFrame::PageFrame(const Metrics& metrics, QWidget* parent) : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
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

void PageFrame::addSection(QWidget* section)
{
    // Before the closing stretch, which keeps sections at the top.
    column_->insertWidget(column_->count() - 1, section, 0, Qt::AlignLeft);
}

void PageFrame::addSpacing(int points)
{
    column_->insertSpacing(column_->count() - 1, points);
}

}  // namespace velkora
