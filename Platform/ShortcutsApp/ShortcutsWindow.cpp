#include "ShortcutsApp/ShortcutsWindow.h"

#include "AppIntents/ShortcutsConnection.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <climits>

namespace platform {

namespace {

using Json = nlohmann::ordered_json;

QString text(const Json& object, const char* key)
{
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? QString::fromStdString(found->get<std::string>()) : QString();
}

// The title of `value` among the cases of the enumeration `type`, or the value itself.
QString caseTitle(const Json& enumerations, const std::string& type, const std::string& value)
{
    for (const Json& enumeration : enumerations) {
        if (enumeration.value("type", std::string()) != type) {
            continue;
        }
        for (const Json& enumCase : enumeration.value("cases", Json::array())) {
            if (enumCase.value("value", std::string()) == value) {
                return text(enumCase, "title");
            }
        }
    }
    return QString::fromStdString(value);
}

int bound(const Json& parameter, const char* key, int fallback)
{
    const auto found = parameter.find(key);
    if (found == parameter.end() || !found->is_number_integer()) {
        return fallback;
    }
    return static_cast<int>(std::clamp<long long>(found->get<long long>(), INT_MIN, INT_MAX));
}

}  // namespace

ShortcutsWindow::ShortcutsWindow(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Shortcuts"));
    auto* layout = new QVBoxLayout(this);

    auto* header = new QHBoxLayout;
    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);
    header->addWidget(status_, 1);
    refresh_ = new QPushButton(QStringLiteral("Refresh"), this);
    connect(refresh_, &QPushButton::clicked, this, &ShortcutsWindow::refresh);
    header->addWidget(refresh_);
    layout->addLayout(header);

    actions_ = new QListWidget(this);
    connect(actions_, &QListWidget::currentRowChanged, this, &ShortcutsWindow::showParameters);
    layout->addWidget(actions_, 1);

    parameterBox_ = new QWidget(this);
    parameters_ = new QFormLayout(parameterBox_);
    parameters_->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(parameterBox_);

    run_ = new QPushButton(QStringLiteral("Run"), this);
    run_->setEnabled(false);
    connect(run_, &QPushButton::clicked, this, &ShortcutsWindow::runChosen);
    layout->addWidget(run_, 0, Qt::AlignRight);

    // What an application answers is its own text, never markup.
    result_ = new QLabel(this);
    result_->setTextFormat(Qt::PlainText);
    result_->setWordWrap(true);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(result_);

    refresh();
}

QWidget* ShortcutsWindow::parameterField(const QString& name) const
{
    return parameterBox_->findChild<QWidget*>(QStringLiteral("parameter-") + name);
}

void ShortcutsWindow::refresh()
{
    if (busy_) {
        return;
    }
    setBusy(true);
    status_->setText(QStringLiteral("Looking for actions…"));
    auto* watcher = new QFutureWatcher<Listing>(this);
    connect(watcher, &QFutureWatcher<Listing>::finished, this, [this, watcher] {
        watcher->deleteLater();
        setBusy(false);
        showListing(watcher->result());
        emit listed();
    });
    watcher->setFuture(QtConcurrent::run(&ShortcutsWindow::list));
}

ShortcutsWindow::Listing ShortcutsWindow::list()
{
    Listing listing;
    for (const std::filesystem::path& socket : ShortcutsConnection::applicationSockets()) {
        std::optional<ShortcutsConnection> connection = ShortcutsConnection::open(socket);
        if (!connection) {
            continue;
        }
        try {
            const Json catalogue = connection->exchange({{"request", "list"}});
            for (const Json& action : catalogue.value("actions", Json::array())) {
                listing.actions.push_back({socket, catalogue.value("application", std::string()), action,
                                           catalogue.value("enumerations", Json::array())});
            }
        } catch (const std::exception& error) {
            listing.problem = QString::fromStdString(socket.stem().string()) + QStringLiteral(": ") +
                              QString::fromStdString(error.what());
        }
    }
    return listing;
}

void ShortcutsWindow::showListing(const Listing& listing)
{
    listed_ = listing.actions;
    {
        const QSignalBlocker quiet(actions_);
        actions_->clear();
        for (const Action& action : listed_) {
            auto* item = new QListWidgetItem(text(action.description, "title") + QStringLiteral(" — ") +
                                             QString::fromStdString(action.application));
            item->setToolTip(text(action.description, "type"));
            actions_->addItem(item);
        }
    }
    if (!listing.problem.isEmpty()) {
        status_->setText(QStringLiteral("Could not read the actions of ") + listing.problem);
    } else if (listed_.empty()) {
        status_->setText(QStringLiteral("No application that offers shortcuts is running."));
    } else {
        status_->setText(QStringLiteral("%1 actions").arg(listed_.size()));
    }
    actions_->setCurrentRow(listed_.empty() ? -1 : 0);
    showParameters();
}

void ShortcutsWindow::showParameters()
{
    while (parameters_->rowCount() > 0) {
        parameters_->removeRow(0);
    }
    const int row = actions_->currentRow();
    run_->setEnabled(!busy_ && row >= 0);
    if (row < 0 || static_cast<std::size_t>(row) >= listed_.size()) {
        return;
    }
    const Action& action = listed_[static_cast<std::size_t>(row)];
    for (const Json& parameter : action.description.value("parameters", Json::array())) {
        const QString name = text(parameter, "name");
        QWidget* field = nullptr;
        if (parameter.value("type", std::string()) == "integer") {
            auto* number = new QSpinBox(parameterBox_);
            number->setRange(bound(parameter, "minimum", INT_MIN), bound(parameter, "maximum", INT_MAX));
            field = number;
        } else {
            auto* choice = new QComboBox(parameterBox_);
            const std::string type = parameter.value("type", std::string());
            for (const Json& value : parameter.value("values", Json::array())) {
                if (value.is_string()) {
                    const std::string raw = value.get<std::string>();
                    choice->addItem(caseTitle(action.enumerations, type, raw), QString::fromStdString(raw));
                }
            }
            field = choice;
        }
        field->setObjectName(QStringLiteral("parameter-") + name);
        parameters_->addRow(text(parameter, "title"), field);
    }
}

void ShortcutsWindow::runChosen()
{
    const int row = actions_->currentRow();
    if (busy_ || row < 0 || static_cast<std::size_t>(row) >= listed_.size()) {
        return;
    }
    const Action& action = listed_[static_cast<std::size_t>(row)];
    Json parameters = Json::object();
    for (const Json& parameter : action.description.value("parameters", Json::array())) {
        const QString name = text(parameter, "name");
        QWidget* field = parameterField(name);
        if (auto* number = qobject_cast<QSpinBox*>(field)) {
            parameters[name.toStdString()] = std::to_string(number->value());
        } else if (auto* choice = qobject_cast<QComboBox*>(field)) {
            parameters[name.toStdString()] = choice->currentData().toString().toStdString();
        }
    }
    const Json request = {{"request", "run"}, {"action", action.description.value("type", std::string())},
                          {"parameters", std::move(parameters)}};
    setBusy(true);
    result_->setText(QStringLiteral("Running…"));
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcher<QString>::finished, this, [this, watcher] {
        watcher->deleteLater();
        setBusy(false);
        result_->setText(watcher->result());
        emit ran();
    });
    watcher->setFuture(QtConcurrent::run(&ShortcutsWindow::run, action.socket, request));
}

QString ShortcutsWindow::run(std::filesystem::path socket, Json request)
{
    std::optional<ShortcutsConnection> connection = ShortcutsConnection::open(socket);
    if (!connection) {
        return QStringLiteral("The application that offers this action is no longer running.");
    }
    try {
        const Json answer = connection->exchange(request);
        if (answer.contains("refused")) {
            return QStringLiteral("Not run: ") + text(answer, "refused");
        }
        if (answer.contains("error")) {
            return QStringLiteral("The action failed: ") + text(answer, "error");
        }
        QString shown = text(answer, "dialog");
        if (const auto value = answer.find("value"); value != answer.end()) {
            shown += QLatin1Char('\n') + (value->is_string() ? QString::fromStdString(value->get<std::string>())
                                                             : QString::fromStdString(value->dump()));
        }
        return shown;
    } catch (const std::exception& error) {
        return QStringLiteral("The action could not be run: ") + QString::fromStdString(error.what());
    }
}

void ShortcutsWindow::setBusy(bool busy)
{
    busy_ = busy;
    refresh_->setEnabled(!busy);
    run_->setEnabled(!busy && actions_->currentRow() >= 0);
}

}  // namespace platform
