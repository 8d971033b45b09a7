#include "VisualKit/AppSheetPresenter.h"

#include <QVBoxLayout>

namespace velkora {

AppSheetPresenter::AppSheetPresenter(AppRouter& router, QWidget& window, SheetFactory makeSheet, QObject* parent)
    : QObject(parent), router_(&router), window_(&window), makeSheet_(std::move(makeSheet))
{
    connect(&router, &AppRouter::presentedSheetChanged, this, &AppSheetPresenter::follow);
    follow(router.presentedSheet());
}

AppSheetPresenter::~AppSheetPresenter()
{
    if (sheet_) {
        sheet_->disconnect(this);
        delete sheet_;
    }
}

void AppSheetPresenter::follow(std::optional<AppSheetDestination> destination)
{
    if (destination == shown_ && (sheet_ || !destination)) {
        return;
    }
    close();
    if (!destination || !window_) {
        return;
    }
    auto* dialog = new QDialog(window_);
    dialog->setObjectName(QStringLiteral("sheet-") + identifier(*destination));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(makeSheet_(*destination));
    // A sheet that goes by itself leaves the router with nothing presented.
    connect(dialog, &QDialog::finished, this, [this] {
        sheet_ = nullptr;
        shown_.reset();
        if (router_ && router_->presentedSheet()) {
            router_->setPresentedSheet(std::nullopt);
        }
    });
    sheet_ = dialog;
    shown_ = destination;
    // Centred over the window it covers, at its own size.
    dialog->adjustSize();
    const QWidget* host = window_->window();
    const QPoint origin = host->mapToGlobal(QPoint(0, 0));
    dialog->move(origin + QPoint((host->width() - dialog->width()) / 2, (host->height() - dialog->height()) / 2));
    dialog->open();
}

void AppSheetPresenter::close()
{
    shown_.reset();
    if (!sheet_) {
        return;
    }
    QDialog* dialog = sheet_;
    sheet_ = nullptr;
    dialog->disconnect(this);
    dialog->close();
}

}  // namespace velkora
