#pragma once

#include "Services/ReferenceDate.h"

#include "VelkoraCore/BatterySnapshot.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace velkora {

// One history sample; identified by its time stamp.
struct HistoryPoint {
    ReferenceDate::Date timestamp;
    double percentage = 0;
    double temperature = 0;
    double power = 0;     // watts, always positive
    double capacity = 0;  // full-charge capacity, mAh

    bool operator==(const HistoryPoint&) const = default;
};

// The battery's history: a live series of at most 60 points, one every 3
// seconds, and a stored series of at most 10,000 points, one every 20 seconds
// and none older than 90 days, kept in
// "~/Library/Application Support/Velkora/history.json" (under the simulated
// home) and rewritten atomically whenever it gains a point. Main thread only.
class HistoryStore : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<ReferenceDate::Date()>;

    static constexpr qsizetype maximumLivePoints = 60;
    static constexpr qsizetype maximumStoredPoints = 10'000;

    // Loads the file (an unreadable or undecodable one gives an empty
    // history) and seeds the live series with its last 60 points.
    explicit HistoryStore(QObject* parent = nullptr, Clock clock = {});

    // Offers one reading; thinned by the clock's time of the call, readings
    // of more than 300 W either way are ignored.
    void append(const BatterySnapshot& snapshot);

    const QList<HistoryPoint>& points() const { return points_; }
    const QList<HistoryPoint>& livePoints() const { return livePoints_; }

    // The file's content for a series, and the series of a file's content
    // (nothing when it does not decode as a whole).
    static QByteArray encode(const QList<HistoryPoint>& points);
    static std::optional<QList<HistoryPoint>> decode(const QByteArray& bytes);

signals:
    // Before every change of either series.
    void objectWillChange();
    void pointsChanged();
    void livePointsChanged();

private:
    // Logs why the file at `path` cannot be used and renames it aside.
    static void keepUnusableFileAside(const std::filesystem::path& path, const std::string& problem);
    void save() const;

    Clock clock_;
    QString filePath_;
    QList<HistoryPoint> points_;
    QList<HistoryPoint> livePoints_;
    // Nothing stands for the distant past.
    std::optional<ReferenceDate::Date> lastLiveSampleAt_;
    std::optional<ReferenceDate::Date> lastPersistedAt_;
};

}  // namespace velkora
