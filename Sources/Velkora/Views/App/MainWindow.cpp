#include "App/MainWindow.h"

#include "Window/RootView.h"

#include <QMouseEvent>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWindow>

namespace velkora {

MainWindow::MainWindow(const ViewEnvironment& environment, std::function<void()> onAppear, QWidget* parent)
    : QWidget(parent, Qt::Window), root_(new RootView(environment, this)), onAppear_(std::move(onAppear))
{
    setObjectName(QString::fromLatin1(identifier));
    setWindowTitle(QString::fromLatin1(title));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(root_);
    root_->setMinimumSize(minimumContentSize);
    resize(defaultSize);
}

void MainWindow::setAppearance(std::optional<ColorAppearance> appearance)
{
    appearance_ = appearance;
}

QColor MainWindow::backgroundColor() const
{
    return palette().color(QPalette::Window);
}

void MainWindow::setBackgroundColor(const QColor& color)
{
    QPalette own = palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        own.setColor(group, QPalette::Window, color);
    }
    setPalette(own);
    setAutoFillBackground(true);
}

bool MainWindow::isKeptOutOfTaskBar() const
{
    return windowFlags().testFlag(Qt::Tool);
}

void MainWindow::setKeptOutOfTaskBar(bool kept)
{
    if (kept == isKeptOutOfTaskBar()) {
        return;
    }
    // Desktops leave utility windows out of the task bar and the window
    // switcher; changing the type of a shown window needs it mapped again.
    const bool wasVisible = isVisible();
    const QRect frame = geometry();
    setWindowFlag(Qt::Tool, kept);
    if (wasVisible) {
        setGeometry(frame);
        show();
    }
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous() && onAppear_) {
        onAppear_();
    }
}

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    if (movableByBackground_ && event->button() == Qt::LeftButton && windowHandle() != nullptr &&
        windowHandle()->startSystemMove()) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

}  // namespace velkora
