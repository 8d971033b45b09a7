#pragma once

#include <QAbstractButton>
#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace platform {

// The Login Items page of System Settings: every background item that
// simmac's launchd has registered, with its application's name, its label
// and an "Allow in the Background" switch. Turning a switch on approves the
// item, turning it off disapproves it, exactly as `simmacctl approve` and
// `simmacctl disapprove` do. A request that fails puts the switch back and
// shows simmac's reason under the list. The list is read when the page is
// made, by reload(), and each time the application becomes active.
//
// An application bundle dropped on the page (from a file manager or a
// guide's card) adds its background items (Contents/Library/LaunchDaemons)
// to the list and allows them, as dragging an application into the list
// does on a Mac.
class LoginItemsPage : public QWidget {
public:
    explicit LoginItemsPage(QWidget* parent = nullptr);

    // Reads the list from simmac again.
    void reload();

    // The switch of the item `label` (object name "allowInTheBackground:<label>"),
    // or nothing when the page does not list it.
    QAbstractButton* allowSwitch(const QString& label) const;
    // The failure shown under the list; empty when the last request succeeded.
    QString problem() const;

    // Adds and allows the background items of the bundle at `bundlePath`.
    void addApplication(const QString& bundlePath);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void setAllowed(const QString& label, bool allowed);
    void showProblem(const QString& text);

    QVBoxLayout* rows_ = nullptr;
    QHash<QString, QPointer<QAbstractButton>> switches_;
    QLabel* empty_ = nullptr;
    QLabel* problem_ = nullptr;
};

}  // namespace platform
