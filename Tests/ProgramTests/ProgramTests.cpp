#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Program {
    const char* name;
    const char* path;
};

const Program programs[] = {
    {"Velkora", VELKORA_PROGRAM},     {"VelkoraDaemon", VELKORA_DAEMON_PROGRAM}, {"simmac", SIMMAC_PROGRAM},
    {"simmacctl", SIMMACCTL_PROGRAM}, {"codesign", CODESIGN_PROGRAM},            {"pmset", PMSET_PROGRAM},
    {"top", TOP_PROGRAM},             {"shortcuts", SHORTCUTS_PROGRAM},          {"System Settings", SYSTEM_SETTINGS_PROGRAM},
    {"velkora-capture-screen", CAPTURE_SCREEN_PROGRAM},
    {"Shortcuts", SHORTCUTS_APPLICATION_PROGRAM},
};

struct Outcome {
    int exitCode = -1;
    QString output;
    QString errors;
};

// Runs `path` with `arguments` in an environment of nothing but `variables`
// (and PATH), on a simulated root of its own.
Outcome run(const char* path, const QStringList& arguments, const QMap<QString, QString>& variables = {})
{
    const QTemporaryDir root;
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    environment.insert(QStringLiteral("SIMMAC_ROOT"), root.path());
    // Qt warns about a missing runtime folder on standard error.
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.path());
    for (auto variable = variables.cbegin(); variable != variables.cend(); ++variable) {
        environment.insert(variable.key(), variable.value());
    }
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QString::fromUtf8(path), arguments);
    EXPECT_TRUE(process.waitForFinished(20'000)) << path;
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

const QMap<QString, QString> offscreen{{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}};

}  // namespace

TEST(Programs, EveryProgramAnswersHelpWithItsUsage)
{
    for (const Program& program : programs) {
        SCOPED_TRACE(program.name);
        const Outcome outcome = run(program.path, {QStringLiteral("--help")}, offscreen);
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_TRUE(outcome.output.startsWith(QStringLiteral("usage"))) << outcome.output.toStdString();
        EXPECT_EQ(outcome.errors, QString());
    }
}

TEST(Programs, AnUnknownOptionGetsOneLineNamingItAndTheUsage)
{
    for (const Program& program : programs) {
        SCOPED_TRACE(program.name);
        const Outcome outcome = run(program.path, {QStringLiteral("--no-such-option")}, offscreen);
        EXPECT_NE(outcome.exitCode, 0);
        EXPECT_EQ(outcome.output, QString());
        const QStringList lines = outcome.errors.split(u'\n');
        ASSERT_GE(lines.size(), 2) << outcome.errors.toStdString();
        EXPECT_TRUE(lines[0].startsWith(QString::fromUtf8(program.name) + QStringLiteral(": "))) << lines[0].toStdString();
        EXPECT_TRUE(lines[0].contains(QStringLiteral("--no-such-option"))) << lines[0].toStdString();
        EXPECT_TRUE(lines[1].startsWith(QStringLiteral("usage"))) << outcome.errors.toStdString();
    }
}

TEST(Programs, TheApplicationWithoutADisplaySaysSoInOneLine)
{
    const QString message = QStringLiteral(
        "Velkora: no display to show the application on; set DISPLAY, or QT_QPA_PLATFORM=offscreen to run without "
        "one\n");
    const QMap<QString, QString> noDisplay[] = {
        {},
        {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")}, {QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-0")}},
        {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland;xcb")}},
    };
    for (const auto& variables : noDisplay) {
        const Outcome outcome = run(VELKORA_PROGRAM, {}, variables);
        EXPECT_EQ(outcome.exitCode, 1) << "not an abort";
        EXPECT_EQ(outcome.errors, message);
    }
    const Outcome chosen = run(VELKORA_PROGRAM, {QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("--x")},
                               {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}});
    EXPECT_EQ(chosen.errors, message) << "the command line's platform wins over the environment's";
}
