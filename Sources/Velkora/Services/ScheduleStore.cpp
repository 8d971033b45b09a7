#include "Services/ScheduleStore.h"

#include "Services/AppLanguage.h"

#include "Foundation/SimulatedRoot.h"
#include "Log/Logger.h"
#include "VelkoraCore/IPC.h"
#include "VelkoraCore/StoredFile.h"

#include <QDir>
#include <QSaveFile>

#include <nlohmann/json.hpp>

#include <cmath>
#include <stdexcept>
#include <system_error>

namespace velkora {

using Json = nlohmann::ordered_json;

namespace {

constexpr qsizetype kWrittenHistoryLimit = 500;
// Far above what the tasks a person sets up and 500 runs take.
constexpr std::size_t kMaximumFileSize = 4 * 1024 * 1024;

struct Decoding : std::runtime_error {
    using std::runtime_error::runtime_error;
};

const Json& member(const Json& object, const char* key)
{
    if (!object.is_object()) {
        throw Decoding("not an object");
    }
    const auto found = object.find(key);
    if (found == object.end()) {
        throw Decoding(std::string("missing ") + key);
    }
    return *found;
}

const std::string& string(const Json& value)
{
    if (!value.is_string()) {
        throw Decoding("not a string");
    }
    return value.get_ref<const std::string&>();
}

QString text(const Json& value)
{
    return QString::fromStdString(string(value));
}

bool boolean(const Json& value)
{
    if (!value.is_boolean()) {
        throw Decoding("not a Boolean");
    }
    return value.get<bool>();
}

int64_t integer(const Json& value)
{
    if (value.is_number_integer() && !value.is_number_unsigned()) {
        return value.get<int64_t>();
    }
    if (value.is_number_unsigned() && value.get<uint64_t>() <= uint64_t(INT64_MAX)) {
        return static_cast<int64_t>(value.get<uint64_t>());
    }
    if (value.is_number_float()) {
        const double number = value.get<double>();
        if (number == std::trunc(number) && number >= -9.2e18 && number <= 9.2e18) {
            return static_cast<int64_t>(number);
        }
    }
    throw Decoding("not an integer");
}

ReferenceDate::Date date(const Json& value)
{
    if (!value.is_number()) {
        throw Decoding("not a date");
    }
    const std::optional<ReferenceDate::Date> decoded = ReferenceDate::dateFromSecondsSinceReferenceDate(value.get<double>());
    if (!decoded) {
        throw Decoding("date out of range");
    }
    return *decoded;
}

// The canonical 8-4-4-4-12 form, hexadecimal digits of either case.
QUuid uuid(const Json& value)
{
    const QString string = text(value);
    if (string.size() != 36) {
        throw Decoding("not a UUID");
    }
    for (qsizetype i = 0; i < string.size(); ++i) {
        const QChar c = string[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (dash ? c != u'-' : !hex) {
            throw Decoding("not a UUID");
        }
    }
    return QUuid::fromString(string);
}

std::string uuidText(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper().toStdString();
}

ScheduledTask decodeTask(const Json& object)
{
    ScheduledTask task;
    task.id = uuid(member(object, "id"));
    const std::optional<ScheduleAction> action = scheduleActionFromRawValue(string(member(object, "action")));
    if (!action) {
        throw Decoding("unknown action");
    }
    task.action = *action;
    task.targetPercentage = integer(member(object, "targetPercentage"));
    task.date = date(member(object, "date"));
    const std::optional<ScheduleRepeat> repeat = scheduleRepeatFromRawValue(string(member(object, "repeatRule")));
    if (!repeat) {
        throw Decoding("unknown repeat rule");
    }
    task.repeatRule = *repeat;
    task.enabled = boolean(member(object, "enabled"));
    if (const auto lastRun = object.find("lastRun"); lastRun != object.end() && !lastRun->is_null()) {
        task.lastRun = date(*lastRun);
    }
    return task;
}

TaskHistoryEntry decodeEntry(const Json& object)
{
    TaskHistoryEntry entry;
    entry.id = uuid(member(object, "id"));
    entry.taskName = text(member(object, "taskName"));
    entry.executedAt = date(member(object, "executedAt"));
    entry.succeeded = boolean(member(object, "succeeded"));
    entry.message = text(member(object, "message"));
    return entry;
}

const Json& array(const Json& value)
{
    if (!value.is_array()) {
        throw Decoding("not an array");
    }
    return value;
}

}  // namespace

std::string_view rawValue(ScheduleAction action)
{
    switch (action) {
    case ScheduleAction::setLimit: return "setLimit";
    case ScheduleAction::topUp: return "topUp";
    case ScheduleAction::pause: return "pause";
    case ScheduleAction::discharge: return "discharge";
    case ScheduleAction::calibration: return "calibration";
    }
    return {};
}

std::optional<ScheduleAction> scheduleActionFromRawValue(std::string_view text)
{
    for (const ScheduleAction action : allScheduleActions) {
        if (rawValue(action) == text) {
            return action;
        }
    }
    return std::nullopt;
}

QString title(ScheduleAction action)
{
    switch (action) {
    case ScheduleAction::setLimit: return localized(QStringLiteral("设置充电限制"));
    case ScheduleAction::topUp: return localized(QStringLiteral("充满"));
    case ScheduleAction::pause: return localized(QStringLiteral("暂停充电"));
    case ScheduleAction::discharge: return localized(QStringLiteral("放电至"));
    case ScheduleAction::calibration: return localized(QStringLiteral("开始校准"));
    }
    return QString();
}

std::string_view rawValue(ScheduleRepeat repeat)
{
    switch (repeat) {
    case ScheduleRepeat::never: return "never";
    case ScheduleRepeat::daily: return "daily";
    case ScheduleRepeat::weekdays: return "weekdays";
    case ScheduleRepeat::weekly: return "weekly";
    case ScheduleRepeat::biweekly: return "biweekly";
    case ScheduleRepeat::monthly: return "monthly";
    }
    return {};
}

std::optional<ScheduleRepeat> scheduleRepeatFromRawValue(std::string_view text)
{
    for (const ScheduleRepeat repeat : allScheduleRepeats) {
        if (rawValue(repeat) == text) {
            return repeat;
        }
    }
    return std::nullopt;
}

QString title(ScheduleRepeat repeat)
{
    switch (repeat) {
    case ScheduleRepeat::never: return localized(QStringLiteral("不重复"));
    case ScheduleRepeat::daily: return localized(QStringLiteral("每天"));
    case ScheduleRepeat::weekdays: return localized(QStringLiteral("工作日"));
    case ScheduleRepeat::weekly: return localized(QStringLiteral("每周"));
    case ScheduleRepeat::biweekly: return localized(QStringLiteral("每两周"));
    case ScheduleRepeat::monthly: return localized(QStringLiteral("每月"));
    }
    return QString();
}

ScheduleStore::ScheduleStore(QObject* parent, Clock clock)
    : QObject(parent), clock_(clock ? std::move(clock) : Clock([] { return std::chrono::system_clock::now(); }))
{
    const auto folder = platform::SimulatedRoot::homeDirectory() / "Library" / "Application Support" / "Velkora";
    const QString folderPath = QString::fromStdString(folder.string());
    QDir().mkpath(folderPath);
    filePath_ = folderPath + QStringLiteral("/schedules.json");

    const std::filesystem::path path = filePath_.toStdString();
    const StoredFile::Reading reading = StoredFile::read(path, kMaximumFileSize);
    if (!reading.bytes) {
        if (reading.problem) {
            keepUnusableFileAside(path, *reading.problem);
        }
        return;
    }
    QList<ScheduledTask> tasks;
    QList<TaskHistoryEntry> history;
    try {
        const std::vector<std::uint8_t>& bytes = *reading.bytes;
        const Json document = Json::parse(bytes.begin(), bytes.end());
        for (const Json& object : array(member(document, "tasks"))) {
            tasks.append(decodeTask(object));
        }
        for (const Json& object : array(member(document, "history"))) {
            history.append(decodeEntry(object));
        }
    } catch (const std::exception& error) {
        // The store starts empty; the file stays aside rather than under the next save.
        keepUnusableFileAside(path, "it does not hold scheduled tasks: " + std::string(error.what()));
        return;
    }
    setTasks(std::move(tasks));
    setHistory(std::move(history));
}

void ScheduleStore::keepUnusableFileAside(const std::filesystem::path& path, const std::string& problem)
{
    const platform::Logger logger(std::string(IPC::parentBundleIdentifier), "ScheduleStore");
    try {
        const std::filesystem::path aside = StoredFile::keepAside(path, std::chrono::system_clock::now());
        logger.error("Cannot use \"%s\": %s; starting without scheduled tasks, the file is kept as \"%s\"",
                     path.string(), problem, aside.string());
    } catch (const std::system_error& error) {
        logger.error("Cannot use \"%s\": %s; starting without scheduled tasks. %s", path.string(), problem,
                     error.what());
    }
}

void ScheduleStore::setTasks(QList<ScheduledTask> tasks)
{
    emit objectWillChange();
    tasks_ = std::move(tasks);
    save();
    emit tasksChanged();
}

void ScheduleStore::setHistory(QList<TaskHistoryEntry> history)
{
    emit objectWillChange();
    history_ = std::move(history);
    save();
    emit historyChanged();
}

void ScheduleStore::addDefaultTask()
{
    ScheduledTask task;
    task.date = clock_() + std::chrono::seconds(3600);
    QList<ScheduledTask> tasks = tasks_;
    tasks.append(task);
    setTasks(std::move(tasks));
}

void ScheduleStore::remove(const ScheduledTask& task)
{
    QList<ScheduledTask> tasks = tasks_;
    tasks.removeIf([&](const ScheduledTask& candidate) { return candidate.id == task.id; });
    setTasks(std::move(tasks));
}

QByteArray ScheduleStore::encode(const QList<ScheduledTask>& tasks, const QList<TaskHistoryEntry>& history)
{
    Json document = Json::object();
    Json& taskArray = document["tasks"] = Json::array();
    for (const ScheduledTask& task : tasks) {
        Json object = Json::object();
        object["id"] = uuidText(task.id);
        object["action"] = rawValue(task.action);
        object["targetPercentage"] = task.targetPercentage;
        object["date"] = ReferenceDate::secondsSinceReferenceDate(task.date);
        object["repeatRule"] = rawValue(task.repeatRule);
        object["enabled"] = task.enabled;
        if (task.lastRun) {
            object["lastRun"] = ReferenceDate::secondsSinceReferenceDate(*task.lastRun);
        }
        taskArray.push_back(std::move(object));
    }
    Json& historyArray = document["history"] = Json::array();
    const qsizetype first = std::max<qsizetype>(0, history.size() - kWrittenHistoryLimit);
    for (qsizetype i = first; i < history.size(); ++i) {
        const TaskHistoryEntry& entry = history[i];
        Json object = Json::object();
        object["id"] = uuidText(entry.id);
        object["taskName"] = entry.taskName.toStdString();
        object["executedAt"] = ReferenceDate::secondsSinceReferenceDate(entry.executedAt);
        object["succeeded"] = entry.succeeded;
        object["message"] = entry.message.toStdString();
        historyArray.push_back(std::move(object));
    }
    const std::string bytes = document.dump(-1, ' ', false, Json::error_handler_t::replace);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void ScheduleStore::save()
{
    const QByteArray bytes = encode(tasks_, history_);
    QSaveFile file(filePath_);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) {
        return;
    }
    // The list stays as the user set it; the file keeps its last good content.
    emit saveFailed(file.errorString());
}

}  // namespace velkora
