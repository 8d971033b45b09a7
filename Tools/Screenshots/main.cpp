// velkora-screenshots: renders the application's views offscreen to PNG
// files, in English and Chinese and in the dark and light appearance, to look
// at them as a user would.
//
//   velkora-screenshots --out DIR [--only TEXT] [--scale N]
//
// writes DIR/<family>-<name>-<language>-<appearance>.png for every page
// (language "en" or "zh-Hans", appearance "dark" or "light"); --only keeps the
// pages whose "<family>-<name>" contains TEXT; --scale renders at N device
// pixels per point (default 1). The views run on a simulated Mac of their own
// with a model (see ScreenshotWorld.h), never on the user's settings.
//
// Adding a view family takes a few lines:
//   1. Write Tools/Screenshots/<Family>Shots.cpp with
//        void add<Family>Shots(screenshots::ScreenshotCatalog& catalog)
//      that adds one ScreenshotPage per picture: the family and page name,
//      the size (the page area of the main window unless given) and a
//      function that builds the view from the ViewEnvironment; optionally a
//      function run once it is on screen (open a popover, press a button).
//      A page is taken on the laptop unless it says Hardware::desktop.
//   2. Declare it in Shots.h, list the file in CMakeLists.txt (and link the
//      family's library there), and call it in `catalog()` below.
// See KitShots.cpp for the kit's gallery, WindowShots.cpp for whole windows.
//
// Each language and each simulated Mac runs in a process of its own (the
// application chooses its language once per process, and the process's SMC
// connection stays with the first Mac it meets): the program starts itself
// again with --language, --hardware and the language in the environment.

#include "ScreenshotCatalog.h"
#include "ScreenshotWorld.h"
#include "Shots.h"

#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraTheme.h"
#include "VisualKit/WindowBackdrop.h"

#include "Services/AppLanguage.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>

namespace {

using screenshots::ScreenshotCatalog;
using screenshots::ScreenshotPage;

ScreenshotCatalog catalog()
{
    ScreenshotCatalog pages;
    screenshots::addKitShots(pages);
    screenshots::addBatteryShots(pages);
    screenshots::addWindowShots(pages);
    screenshots::addEntryShots(pages);
    screenshots::addMenuBarShots(pages);
    screenshots::addScheduleShots(pages);
    screenshots::addSettingsShots(pages);
    screenshots::addOverlayShots(pages);
    screenshots::addMenuBarSettingsShots(pages);
    return pages;
}

struct Options {
    QString out;
    QString only;
    QString scale = QStringLiteral("1");
    QString language;  // set in the per-language processes
    QString hardware;  // likewise
};

using screenshots::Hardware;

QString hardwareName(Hardware hardware)
{
    return hardware == Hardware::desktop ? QStringLiteral("desktop") : QStringLiteral("laptop");
}

QString pageName(const ScreenshotPage& page)
{
    return page.family + QLatin1Char('-') + page.name;
}

constexpr const char* usage = "usage: velkora-screenshots --out DIR [--only TEXT] [--scale N]\n";

std::optional<Options> parse(const QStringList& arguments)
{
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (i + 1 >= arguments.size()) {
            return std::nullopt;
        }
        const QString value = arguments[++i];
        if (argument == QLatin1String("--out")) {
            options.out = value;
        } else if (argument == QLatin1String("--only")) {
            options.only = value;
        } else if (argument == QLatin1String("--scale")) {
            options.scale = value;
        } else if (argument == QLatin1String("--language")) {
            options.language = value;
        } else if (argument == QLatin1String("--hardware") &&
                   (value == hardwareName(Hardware::laptop) || value == hardwareName(Hardware::desktop))) {
            options.hardware = value;
        } else {
            return std::nullopt;
        }
    }
    bool number = false;
    const double scale = options.scale.toDouble(&number);
    if (options.out.isEmpty() || !number || scale < 1 || scale > 4) {
        return std::nullopt;
    }
    return options;
}

// The view's window with every popup and dialog of the application that is
// open over it, each at its place.
QImage capture(QWidget* window)
{
    QImage image = window->grab().toImage();
    QPainter painter(&image);
    const QPoint origin = window->mapToGlobal(QPoint(0, 0));
    for (QWidget* other : QApplication::topLevelWidgets()) {
        if (other == window || !other->isVisible()) {
            continue;
        }

        painter.drawPixmap(other->mapToGlobal(QPoint(0, 0)) - origin, other->grab());
    }
    return image;
}

int render(const Options& options)
{
    const Hardware hardware = options.hardware == hardwareName(Hardware::desktop) ? Hardware::desktop : Hardware::laptop;
    screenshots::ScreenshotWorld world(hardware);
    const QString language = velkora::AppLanguage::localizationName();
    int written = 0;
    const ScreenshotCatalog pages = catalog();
    for (const ScreenshotPage& page : pages.pages()) {
        const QString name = pageName(page);
        if (page.hardware != hardware || (!options.only.isEmpty() && !name.contains(options.only))) {
            continue;
        }
        for (const velkora::AppAppearance appearance : {velkora::AppAppearance::dark, velkora::AppAppearance::light}) {
            world.settings().setAppearance(appearance);
            velkora::VelkoraTheme::apply(appearance);
            auto* window = new velkora::WindowBackdrop(world.environment());
            window->setFixedSize(page.size);
            auto* layout = new QVBoxLayout(window);
            layout->setContentsMargins(0, 0, 0, 0);
            QWidget* view = page.makeInWorld ? page.makeInWorld(world) : page.make(world.environment());
            layout->addWidget(view);
            window->show();
            QApplication::processEvents();
            if (page.afterShow) {
                page.afterShow(view);
            }
            // Layouts, deferred paints, and animations (highlights, fades) to
            // their end: the longest lasts 0.2 s.
            QTest::qWait(400);
            const QString file = QDir(options.out).filePath(
                QStringLiteral("%1-%2-%3.png").arg(name, language, QString::fromLatin1(velkora::rawValue(appearance))));
            if (!capture(window).save(file)) {
                std::fprintf(stderr, "velkora-screenshots: cannot write %s\n", qPrintable(file));
                return 1;
            }
            ++written;
            for (QWidget* other : QApplication::topLevelWidgets()) {
                other->close();
            }
            delete window;
            QApplication::processEvents();
        }
    }
    std::printf("velkora-screenshots: %d pictures in %s (%s, %s)\n", written, qPrintable(options.out),
                qPrintable(language), qPrintable(hardwareName(hardware)));
    return written > 0 ? 0 : 1;
}

// Runs this program once per language and simulated Mac that has pictures
// to take, each in its own process.
int renderEveryLanguage(const Options& options, const QString& program)
{
    QList<Hardware> hardwares;
    const ScreenshotCatalog pages = catalog();
    for (const ScreenshotPage& page : pages.pages()) {
        if ((options.only.isEmpty() || pageName(page).contains(options.only)) && !hardwares.contains(page.hardware)) {
            hardwares.append(page.hardware);
        }
    }
    struct Language {
        const char* name;
        const char* locale;
    };
    for (const Language language : {Language{"en", "en_US.UTF-8"}, Language{"zh-Hans", "zh_CN.UTF-8"}}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("LC_ALL"));
        environment.remove(QStringLiteral("LC_MESSAGES"));
        environment.insert(QStringLiteral("LANGUAGE"), QString::fromLatin1(language.locale).section(QLatin1Char('.'), 0, 0));
        environment.insert(QStringLiteral("LANG"), QString::fromLatin1(language.locale));
        for (const Hardware hardware : hardwares) {
            QProcess child;
            child.setProcessEnvironment(environment);
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            QStringList arguments{QStringLiteral("--out"), options.out, QStringLiteral("--scale"), options.scale,
                                  QStringLiteral("--language"), QString::fromLatin1(language.name),
                                  QStringLiteral("--hardware"), hardwareName(hardware)};
            if (!options.only.isEmpty()) {
                arguments << QStringLiteral("--only") << options.only;
            }
            child.start(program, arguments);
            if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
                std::fprintf(stderr, "velkora-screenshots: the %s pictures on the %s failed\n", language.name,
                             qPrintable(hardwareName(hardware)));
                return 1;
            }
        }
    }
    return hardwares.isEmpty() && options.only.isEmpty() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const std::optional<Options> options = parse(arguments);
    if (!options) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (!QDir().mkpath(options->out)) {
        std::fprintf(stderr, "velkora-screenshots: cannot make the folder %s\n", qPrintable(options->out));
        return 1;
    }
    if (options->language.isEmpty()) {
        return renderEveryLanguage(*options, QStringLiteral("/proc/self/exe"));
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", options->scale.toLatin1());
    QApplication application(argc, argv);
    if (!velkora::VelkoraFont::isInstalled()) {
        std::fputs("velkora-screenshots: the application's fonts are missing (run scripts/setup)\n", stderr);
        return 1;
    }
    return render(*options);
}
