#include "Schedules/TaskHistoryList.h"

#include "VisualKit/ContentUnavailableView.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"
#include "Services/ScheduleStore.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkora {

TaskHistoryList::TaskHistoryList(ScheduleStore& schedules, QWidget* parent) : QWidget(parent), schedules_(schedules)
{
    setObjectName(QStringLiteral("task-history-list"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(8);
    placeholder_ = new ContentUnavailableView(QStringLiteral("clock.arrow.circlepath"), QStringLiteral("暂无任务历史"),
                                              QString(), this);
    placeholder_->setMinimumHeight(placeholderMinimumHeight);
    layout_->addWidget(placeholder_);
    connect(&schedules_, &ScheduleStore::historyChanged, this, &TaskHistoryList::reload);
    reload();
}

void TaskHistoryList::reload()
{
    for (QWidget* row : std::as_const(rows_)) {
        delete row;
    }
    rows_.clear();
    const QList<TaskHistoryEntry>& history = schedules_.history();
    for (auto entry = history.crbegin(); entry != history.crend(); ++entry) {
        QWidget* row = makeRow(*entry);
        rows_.append(row);
        layout_->addWidget(row);
    }
    placeholder_->setVisible(history.isEmpty());
}

QWidget* TaskHistoryList::makeRow(const TaskHistoryEntry& entry)
{
    auto* row = new QWidget(this);
    row->setObjectName(QStringLiteral("task-history-row"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setAlignment(Qt::AlignTop);

    auto* status = new SymbolView(entry.succeeded ? QStringLiteral("checkmark.circle.fill")
                                                  : QStringLiteral("xmark.circle.fill"),
                                  13, QFont::Normal, ForegroundStyle::primary, row);
    status->setObjectName(QStringLiteral("history-status"));
    status->setColor(entry.succeeded ? VelkoraTheme::systemGreen() : VelkoraTheme::systemRed());
    layout->addWidget(status, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* name = new VelkoraLabel(entry.taskName, VelkoraFont::system(13, QFont::DemiBold),
                                  ForegroundStyle::primary, row);
    name->setObjectName(QStringLiteral("history-task-name"));
    texts->addWidget(name);
    auto* message = new VelkoraLabel(entry.message, VelkoraFont::caption(), ForegroundStyle::secondary, row);
    message->setObjectName(QStringLiteral("history-message"));
    message->setWordWrap(true);
    texts->addWidget(message);
    layout->addLayout(texts, 1);

    const QDateTime executedAt = QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(entry.executedAt.time_since_epoch()).count());
    const QLocale& locale = AppLanguage::locale();
    auto* date = new VelkoraLabel(locale.toString(executedAt.date(), QLocale::ShortFormat), VelkoraFont::body(),
                                  ForegroundStyle::primary, row);
    date->setObjectName(QStringLiteral("history-date"));
    layout->addWidget(date, 0, Qt::AlignTop);
    auto* time = new VelkoraLabel(locale.toString(executedAt.time(), QLocale::ShortFormat), VelkoraFont::body(),
                                  ForegroundStyle::secondary, row);
    time->setObjectName(QStringLiteral("history-time"));
    layout->addWidget(time, 0, Qt::AlignTop);
    return row;
}

}  // namespace velkora
