#pragma once

#include <QObject>

#include <memory>

namespace platform {
class NSWorkspaceObservation;
}

namespace velkora {

// The user's reduce-motion accessibility setting as views read it: the
// value, and a signal when it changes so that open views follow at once.
// The application follows the workspace (simmac's setting); tests and the
// screenshot tool set the value themselves. Main thread only.
class ReduceMotionSource : public QObject {
    Q_OBJECT
public:
    // A source that holds `reduceMotion` until it is set.
    explicit ReduceMotionSource(bool reduceMotion = false, QObject* parent = nullptr);
    ~ReduceMotionSource() override;

    // A source that reads the workspace's setting now and after each change
    // the workspace reports.
    static std::unique_ptr<ReduceMotionSource> followingWorkspace(QObject* parent = nullptr);

    bool reduceMotion() const { return reduceMotion_; }
    // Emits reduceMotionChanged when the value differs.
    void setReduceMotion(bool reduceMotion);

signals:
    void reduceMotionChanged(bool reduceMotion);

private:
    bool reduceMotion_;
    std::unique_ptr<platform::NSWorkspaceObservation> observation_;
};

}  // namespace velkora
