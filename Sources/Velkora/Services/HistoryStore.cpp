#include "Services/HistoryStore.h"

#include "Foundation/SimulatedRoot.h"
#include "Log/Logger.h"
#include "VelkoraCore/IPC.h"
#include "VelkoraCore/StoredFile.h"

#include <QDir>
#include <QSaveFile>

#include <nlohmann/json.hpp>

#include <cmath>
#include <system_error>

namespace velkora {

using Json = nlohmann::ordered_json;

namespace {

constexpr double kMaximumPlausibleWatts = 300.0;
constexpr std::chrono::seconds kLiveInterval{3};
constexpr std::chrono::seconds kStoredInterval{20};
constexpr std::chrono::seconds kStoredWindow{7'776'000};  // 90 days
// The most points kept take about 1.2 MB.
constexpr std::size_t kMaximumFileSize = 16 * 1024 * 1024;

}  // namespace

HistoryStore::HistoryStore(QObject* parent, Clock clock)
    : QObject(parent), clock_(clock ? std::move(clock) : Clock([] { return std::chrono::system_clock::now(); }))
{
    const auto folder = platform::SimulatedRoot::homeDirectory() / "Library" / "Application Support" / "Velkora";
    const QString folderPath = QString::fromStdString(folder.string());
    QDir().mkpath(folderPath);
    filePath_ = folderPath + QStringLiteral("/history.json");

    const std::filesystem::path path = filePath_.toStdString();
    const StoredFile::Reading reading = StoredFile::read(path, kMaximumFileSize);
    if (reading.bytes) {
        const QByteArray bytes(reinterpret_cast<const char*>(reading.bytes->data()),
                               static_cast<qsizetype>(reading.bytes->size()));
        if (std::optional<QList<HistoryPoint>> loaded = decode(bytes)) {
            points_ = std::move(*loaded);
        } else {
            keepUnusableFileAside(path, "it does not hold battery history points");
        }
    } else if (reading.problem) {
        keepUnusableFileAside(path, *reading.problem);
    }
    livePoints_ = points_.mid(std::max<qsizetype>(0, points_.size() - maximumLivePoints));
}

void HistoryStore::append(const BatterySnapshot& snapshot)
{
    if (std::fabs(snapshot.powerWatts) > kMaximumPlausibleWatts) {
        return;
    }
    const HistoryPoint point{snapshot.timestamp, static_cast<double>(snapshot.percentage), snapshot.temperatureCelsius,
                             std::fabs(snapshot.powerWatts), static_cast<double>(snapshot.maxCapacityMAh)};
    const ReferenceDate::Date now = clock_();

    if (!lastLiveSampleAt_ || now - *lastLiveSampleAt_ >= kLiveInterval) {
        emit objectWillChange();
        lastLiveSampleAt_ = now;
        livePoints_.append(point);
        if (livePoints_.size() > maximumLivePoints) {
            livePoints_.remove(0, livePoints_.size() - maximumLivePoints);
        }
        emit livePointsChanged();
    }

    if (!lastPersistedAt_ || now - *lastPersistedAt_ >= kStoredInterval) {
        emit objectWillChange();
        lastPersistedAt_ = now;
        points_.append(point);
        const ReferenceDate::Date cutoff = now - kStoredWindow;
        points_.removeIf([&](const HistoryPoint& stored) { return stored.timestamp < cutoff; });
        if (points_.size() > maximumStoredPoints) {
            points_.remove(0, points_.size() - maximumStoredPoints);
        }
        emit pointsChanged();
        save();
    }
}

// The history starts empty; the file stays aside rather than under the next stored point.
void HistoryStore::keepUnusableFileAside(const std::filesystem::path& path, const std::string& problem)
{
    const platform::Logger logger(std::string(IPC::parentBundleIdentifier), "HistoryStore");
    try {
        const std::filesystem::path aside = StoredFile::keepAside(path, std::chrono::system_clock::now());
        logger.error("Cannot use \"%s\": %s; starting with an empty history, the file is kept as \"%s\"",
                     path.string(), problem, aside.string());
    } catch (const std::system_error& error) {
        logger.error("Cannot use \"%s\": %s; starting with an empty history. %s", path.string(), problem,
                     error.what());
    }
}

QByteArray HistoryStore::encode(const QList<HistoryPoint>& points)
{
    Json document = Json::array();
    for (const HistoryPoint& point : points) {
        Json object = Json::object();
        object["timestamp"] = ReferenceDate::secondsSinceReferenceDate(point.timestamp);
        object["percentage"] = point.percentage;
        object["temperature"] = point.temperature;
        object["power"] = point.power;
        object["capacity"] = point.capacity;
        document.push_back(std::move(object));
    }
    const std::string bytes = document.dump();
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::optional<QList<HistoryPoint>> HistoryStore::decode(const QByteArray& bytes)
{
    const Json document = Json::parse(bytes.constBegin(), bytes.constEnd(), nullptr, false);
    if (!document.is_array()) {
        return std::nullopt;
    }
    QList<HistoryPoint> points;
    points.reserve(static_cast<qsizetype>(document.size()));
    for (const Json& object : document) {
        if (!object.is_object()) {
            return std::nullopt;
        }
        double values[5];
        const char* keys[5] = {"timestamp", "percentage", "temperature", "power", "capacity"};
        for (size_t i = 0; i < 5; ++i) {
            const auto found = object.find(keys[i]);
            if (found == object.end() || !found->is_number()) {
                return std::nullopt;
            }
            values[i] = found->get<double>();
        }
        const std::optional<ReferenceDate::Date> timestamp = ReferenceDate::dateFromSecondsSinceReferenceDate(values[0]);
        if (!timestamp) {
            return std::nullopt;
        }
        points.append(HistoryPoint{*timestamp, values[1], values[2], values[3], values[4]});
    }
    return points;
}

void HistoryStore::save() const
{
    const QByteArray bytes = encode(points_);
    QSaveFile file(filePath_);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) {
        file.commit();
    }
}

}  // namespace velkora
