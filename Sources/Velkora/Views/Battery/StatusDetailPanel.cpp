#include "Battery/StatusDetailPanel.h"

#include "Battery/DashboardReadings.h"
#include "Battery/StatusDetailSection.h"

#include "VisualKit/Divider.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPanel.h"

#include "Services/AppLanguage.h"
#include "Services/TelemetryStore.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr int sectionDividerHeight = 146;

}  // namespace

StatusDetailPanel::StatusDetailPanel(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* panel = new VelkoraPanel(environment, VelkoraPanel::Metrics{24, 16, false});
    outer->addWidget(panel);
    QVBoxLayout* column = panel->contentLayout();
    column->setSpacing(14);

    auto* heading = new QHBoxLayout();
    heading->setSpacing(6);
    heading->addWidget(new SymbolView(QStringLiteral("list.bullet.rectangle"), 15, QFont::Bold));
    heading->addWidget(new VelkoraLabel(localized(QStringLiteral("详细信息")), VelkoraFont::system(15, QFont::Bold)));
    heading->addStretch(1);
    heading->addWidget(new VelkoraLabel(localized(QStringLiteral("来自系统与电池管理控制器")), VelkoraFont::caption(),
                                        ForegroundStyle::tertiary));
    column->addLayout(heading);
    column->addWidget(new Divider(0.55));

    auto* row = new QHBoxLayout();
    row->setSpacing(16);
    for (std::size_t index = 0; index < sections_.size(); ++index) {
        if (index > 0) {
            auto* divider = new Divider(1.0, Qt::Vertical);
            divider->setFixedHeight(sectionDividerHeight);
            row->addWidget(divider, 0, Qt::AlignTop);
        }
        sections_[index] = new StatusDetailSectionView();
        row->addWidget(sections_[index], 1, Qt::AlignTop);
    }
    column->addLayout(row);

    connect(environment_.telemetry, &TelemetryStore::snapshotChanged, this, &StatusDetailPanel::refresh);
    refresh();
}

void StatusDetailPanel::refresh()
{
    const std::array<StatusDetailSection, 3> shown = DashboardReadings::sections(environment_.telemetry->snapshot());
    for (std::size_t index = 0; index < sections_.size(); ++index) {
        sections_[index]->setSection(shown[index]);
    }
}

}  // namespace velkora
