#include "SystemSettings/LoginItemsPage.h"

#include "Foundation/Bundle.h"
#include "Simulator/SimmacConnection.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <vector>

namespace platform {

namespace {

using Json = nlohmann::ordered_json;

// A settings window waits on simmac for short moments only.
constexpr std::chrono::seconds requestTimeout{2};

Json request(std::string_view operation, const Json& arguments = Json::object())
{
    simulator::SimmacConnection simmac;
    return simmac.request(operation, arguments, requestTimeout);
}

// The application an item came with, as the list names it.
QString applicationName(const std::string& bundlePath)
{
    const std::filesystem::path path(bundlePath);
    const std::string name = Bundle(path).infoString("CFBundleName").value_or(path.stem().string());
    return QString::fromStdString(name);
}

// The property lists of the background items a bundle carries.
std::vector<std::string> daemonPropertyLists(const std::filesystem::path& bundle)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(bundle / "Contents/Library/LaunchDaemons", error)) {
        if (entry.is_regular_file(error) && entry.path().extension() == ".plist") {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The application bundles among the dropped URLs.
QStringList droppedBundles(const QMimeData* data)
{
    QStringList bundles;
    if (data == nullptr) {
        return bundles;
    }
    for (const QUrl& url : data->urls()) {
        const QString path = url.toLocalFile();
        if (path.endsWith(QStringLiteral(".app")) && std::filesystem::is_directory(path.toStdString())) {
            bundles.append(path);
        }
    }
    return bundles;
}

QLabel* plainLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    // Names and labels come from the applications' own files.
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

LoginItemsPage::LoginItemsPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("loginItemsPage"));
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);
    auto* title = plainLabel(QStringLiteral("Login Items & Extensions"), this);
    QFont heading = title->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.4);
    title->setFont(heading);
    layout->addWidget(title);
    auto* section = plainLabel(QStringLiteral("Allow in the Background"), this);
    QFont bold = section->font();
    bold.setBold(true);
    section->setFont(bold);
    layout->addWidget(section);
    layout->addWidget(plainLabel(
        QStringLiteral("Applications add background items that run even when the application is not open."), this));

    rows_ = new QVBoxLayout;
    layout->addLayout(rows_);
    empty_ = plainLabel(QStringLiteral("No background items are registered."), this);
    layout->addWidget(empty_);
    problem_ = plainLabel(QString(), this);
    problem_->setObjectName(QStringLiteral("problem"));
    problem_->setWordWrap(true);
    problem_->hide();
    layout->addWidget(problem_);
    layout->addStretch();

    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive) {
                reload();
            }
        });
    }
    reload();
}

void LoginItemsPage::reload()
{
    Json items;
    try {
        items = request("launchd.loginItems").value("items", Json::array());
    } catch (const simulator::SimmacError& error) {
        showProblem(QStringLiteral("The background items cannot be read: ") + QString::fromUtf8(error.what()));
        return;
    }
    // A row may be the one whose switch is being toggled: it goes once that is over.
    while (QLayoutItem* row = rows_->takeAt(0)) {
        row->widget()->hide();
        row->widget()->deleteLater();
        delete row;
    }
    switches_.clear();
    for (const Json& item : items) {
        const QString label = QString::fromStdString(item.value("label", ""));
        if (label.isEmpty()) {
            continue;
        }
        auto* row = new QWidget(this);
        auto* rowLayout = new QHBoxLayout(row);
        auto* names = new QVBoxLayout;
        names->addWidget(plainLabel(applicationName(item.value("bundle", "")), row));
        names->addWidget(plainLabel(label, row));
        rowLayout->addLayout(names, 1);
        auto* allow = new QCheckBox(QStringLiteral("Allow in the Background"), row);
        allow->setObjectName(QStringLiteral("allowInTheBackground:") + label);
        allow->setAccessibleName(QStringLiteral("Allow in the Background"));
        allow->setChecked(item.value("status", "") == "enabled");
        connect(allow, &QCheckBox::toggled, this, [this, label](bool on) { setAllowed(label, on); });
        rowLayout->addWidget(allow);
        switches_.insert(label, allow);
        rows_->addWidget(row);
    }
    empty_->setVisible(rows_->count() == 0);
    showProblem(QString());
}

QAbstractButton* LoginItemsPage::allowSwitch(const QString& label) const
{
    return switches_.value(label);
}

QString LoginItemsPage::problem() const
{
    return problem_->text();
}

void LoginItemsPage::setAllowed(const QString& label, bool allowed)
{
    try {
        const Json answer = request(allowed ? "launchd.approve" : "launchd.disapprove", {{"label", label.toStdString()}});
        showProblem(QString());
        if ((answer.value("status", "") == "enabled") == allowed) {
            return;
        }
    } catch (const simulator::SimmacError& error) {
        showProblem(QString::fromUtf8(error.what()));
    }
    // The list no longer says what simmac holds: show simmac's own state.
    const QString shown = problem();
    reload();
    if (!shown.isEmpty()) {
        showProblem(shown);
    }
}

void LoginItemsPage::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedBundles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void LoginItemsPage::dropEvent(QDropEvent* event)
{
    const QStringList bundles = droppedBundles(event->mimeData());
    if (bundles.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    for (const QString& bundle : bundles) {
        addApplication(bundle);
    }
}

void LoginItemsPage::addApplication(const QString& bundlePath)
{
    const std::filesystem::path bundle(bundlePath.toStdString());
    const std::vector<std::string> plists = daemonPropertyLists(bundle);
    QString problem;
    if (plists.empty()) {
        problem = QStringLiteral("%1 has no background items to allow.").arg(applicationName(bundle.string()));
    }
    for (const std::string& plist : plists) {
        try {
            const Json item = request("launchd.register", {{"bundle", bundle.string()}, {"plist", plist}});
            request("launchd.approve", {{"label", item.value("label", "")}});
        } catch (const simulator::SimmacError& error) {
            problem = QStringLiteral("%1 could not be allowed in the background: %2")
                          .arg(applicationName(bundle.string()), QString::fromUtf8(error.what()));
        }
    }
    reload();
    showProblem(problem);
}

void LoginItemsPage::showProblem(const QString& text)
{
    problem_->setText(text);
    problem_->setVisible(!text.isEmpty());
}

}  // namespace platform
