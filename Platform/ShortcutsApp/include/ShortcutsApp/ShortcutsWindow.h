#pragma once

#include <nlohmann/json.hpp>

#include <QWidget>

#include <filesystem>
#include <vector>

class QFormLayout;
class QLabel;
class QListWidget;
class QPushButton;

namespace platform {

// The simulated Mac's Shortcuts application, reduced to its library of
// actions: the actions every running application publishes (through
// ShortcutsEndpoint, as the `shortcuts` tool reads them), a field for each
// parameter of the chosen action and a Run button that runs it in its
// application and shows the action's answer, its failure or why it was not
// run. Reading the list and running an action happen away from the main
// thread; the window lists again when asked (Refresh). Main thread only.
class ShortcutsWindow : public QWidget {
    Q_OBJECT
public:
    explicit ShortcutsWindow(QWidget* parent = nullptr);

    // Reads the actions of the running applications again.
    void refresh();

    QListWidget* actionList() const { return actions_; }
    QPushButton* refreshButton() const { return refresh_; }
    QPushButton* runButton() const { return run_; }
    QLabel* statusLabel() const { return status_; }
    QLabel* resultLabel() const { return result_; }
    // The field of the chosen action's parameter `name`: a spin box for a
    // number, a combo box for a choice; null when there is none.
    QWidget* parameterField(const QString& name) const;
    // Whether a listing or a run is under way.
    bool isBusy() const { return busy_; }

signals:
    // The list was read again (it may be empty).
    void listed();
    // A run ended; resultLabel() says how.
    void ran();

private:
    using Json = nlohmann::ordered_json;

    // One action, with the application that runs it.
    struct Action {
        std::filesystem::path socket;
        std::string application;
        Json description;
        // The application's enumerations, for the titles of a choice's values.
        Json enumerations;
    };
    struct Listing {
        std::vector<Action> actions;
        QString problem;
    };

    static Listing list();
    static QString run(std::filesystem::path socket, Json request);
    void showListing(const Listing& listing);
    void showParameters();
    void runChosen();
    void setBusy(bool busy);

    QListWidget* actions_;
    QPushButton* refresh_;
    QFormLayout* parameters_;
    QWidget* parameterBox_;
    QPushButton* run_;
    QLabel* status_;
    QLabel* result_;
    std::vector<Action> listed_;
    bool busy_ = false;
};

}  // namespace platform
