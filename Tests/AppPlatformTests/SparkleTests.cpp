#include "Sparkle/SPUUpdater.h"
#include "Sparkle/SPUUpdaterDelegate.h"
#include "Sparkle/SPUUserDriver.h"
#include "Sparkle/SUAppcast.h"
#include "Sparkle/SUStandardVersionComparator.h"

#include "FeedServer.h"
#include <TestSupport/TemporaryRoot.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace platform;

namespace {

QByteArray appcast(const QStringList& versions)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                     "<rss version=\"2.0\" xmlns:app=\"urn:velkora:appcast\"><channel><title>Releases</title>\n";
    for (const QString& version : versions) {
        xml += "<item><title>Version " + version.toUtf8() + "</title><enclosure url=\"https://example.invalid/" +
               version.toUtf8() + ".zip\" app:version=\"" + version.toUtf8() + "\" app:shortVersionString=\"" +
               version.toUtf8() + ".0\" length=\"1\" type=\"application/octet-stream\"/></item>\n";
    }
    return xml + "</channel></rss>\n";
}

struct RecordingDriver : SPUUserDriver {
    void showUpdateNotFound(const QString& name, const QString& currentVersion) override
    {
        outcome = "up to date " + name + " " + currentVersion;
    }
    void showUpdateFound(const QString& name, const SUAppcastItem& item, const QString& currentVersion) override
    {
        outcome = "update " + name + " " + item.displayVersionString + " over " + currentVersion;
    }
    void showUpdaterError(const QString& message) override { outcome = "error " + message; }
    QString outcome;
};

struct FixedFeed : SPUUpdaterDelegate {
    QString feedURLStringForUpdater(const SPUUpdater&) override { return address; }
    QString address;
};

class UpdaterTest : public testing::Test {
protected:
    UpdaterTest()
    {
        root.write("Tallowmere.app/Contents/Info.plist",
                   "<plist version=\"1.0\"><dict><key>CFBundleName</key><string>Tallowmere</string>"
                   "<key>CFBundleVersion</key><string>200</string>"
                   "<key>CFBundleShortVersionString</key><string>2.0</string></dict></plist>");
    }

    QString check(const QString& feed)
    {
        delegate.address = feed;
        SPUUpdater updater(Bundle(root.path() / "Tallowmere.app"), UserDefaults(QStringLiteral("test")), &delegate,
                           driver);
        updater.startUpdater();
        QSignalSpy finished(&updater, &SPUUpdater::checkFinished);
        updater.checkForUpdates();
        if (finished.isEmpty()) {
            EXPECT_TRUE(finished.wait(10'000));
        }
        return driver.outcome;
    }

    TemporaryRoot root;
    RecordingDriver driver;
    FixedFeed delegate;
};

}  // namespace

TEST(SUStandardVersionComparator, OrdersVersionsAsPeopleRead)
{
    struct Case {
        const char* a;
        const char* b;
        int order;
    };
    for (const Case& c : {Case{"1.10", "1.9", 1}, Case{"1.0", "1.0", 0}, Case{"1.0.1", "1.0", 1},
                          Case{"2.0b1", "2.0", -1}, Case{"2.0b2", "2.0b1", 1}, Case{"202501021200", "202501011200", 1},
                          Case{"0010", "9", 1}, Case{"1.2", "1.10", -1}}) {
        EXPECT_EQ(SUStandardVersionComparator::compareVersions(QString::fromUtf8(c.a), QString::fromUtf8(c.b)),
                  c.order)
            << c.a << " vs " << c.b;
        EXPECT_EQ(SUStandardVersionComparator::compareVersions(QString::fromUtf8(c.b), QString::fromUtf8(c.a)),
                  -c.order)
            << c.b << " vs " << c.a;
    }
}

TEST(SUAppcast, ReadsVersionedEnclosuresAndRejectsWhatIsNoFeed)
{
    QByteArray xml = appcast({QStringLiteral("150"), QStringLiteral("210"), QStringLiteral("199")});
    xml.replace("</channel>", "<item><title>No enclosure</title></item></channel>");
    const SUAppcast parsed = SUAppcast::parse(xml);
    ASSERT_EQ(parsed.items().size(), 3);
    EXPECT_EQ(parsed.items()[0].title, QStringLiteral("Version 150"));
    ASSERT_NE(parsed.newestItem(), nullptr);
    EXPECT_EQ(parsed.newestItem()->versionString, QStringLiteral("210"));
    EXPECT_EQ(parsed.newestItem()->displayVersionString, QStringLiteral("210.0"));
    EXPECT_EQ(parsed.newestItem()->fileURL, QUrl(QStringLiteral("https://example.invalid/210.zip")));
    EXPECT_EQ(SUAppcast::parse(appcast({})).newestItem(), nullptr);

    for (const QByteArray& bad : {QByteArray("<html><body>gone</body></html>"), QByteArray("<rss><channel><item>"),
                                  QByteArray("not xml at all"), QByteArray()}) {
        EXPECT_THROW(SUAppcast::parse(bad), SUAppcastError) << bad.constData();
    }
}

TEST_F(UpdaterTest, ReportsUpdateUpToDateOrTheErrorFromALoopbackFeed)
{
    FeedServer newer(200, appcast({QStringLiteral("150"), QStringLiteral("201")}));
    EXPECT_EQ(check(newer.url().toString()), QStringLiteral("update Tallowmere 201.0 over 2.0"));
    EXPECT_EQ(newer.requests(), 1);

    FeedServer same(200, appcast({QStringLiteral("200"), QStringLiteral("199")}));
    EXPECT_EQ(check(same.url().toString()), QStringLiteral("up to date Tallowmere 2.0"));

    FeedServer missing(404, "no such file");
    const QString notFound = check(missing.url().toString());
    EXPECT_TRUE(notFound.startsWith(QStringLiteral("error The update feed could not be loaded: "))) << notFound.toStdString();

    FeedServer garbage(200, "<html>maintenance</html>");
    const QString unreadable = check(garbage.url().toString());
    EXPECT_TRUE(unreadable.startsWith(QStringLiteral("error The update feed could not be read: "))) << unreadable.toStdString();
}

TEST_F(UpdaterTest, ReadsAFeedFromALocalFileAndExplainsBadAddresses)
{
    root.write("feed/appcast.xml", appcast({QStringLiteral("300")}).toStdString());
    const QUrl file = QUrl::fromLocalFile(QString::fromStdString((root.path() / "feed/appcast.xml").string()));
    EXPECT_EQ(check(file.toString()), QStringLiteral("update Tallowmere 300.0 over 2.0"));

    const QString unreachable = check(QUrl::fromLocalFile(QStringLiteral("/nonexistent/appcast.xml")).toString());
    EXPECT_TRUE(unreachable.startsWith(QStringLiteral("error The update feed could not be loaded"))) << unreachable.toStdString();
    EXPECT_EQ(check(QString()), QStringLiteral("error No update feed address is set."));
    EXPECT_EQ(check(QStringLiteral("::")), QStringLiteral("error The update feed address \"::\" is not valid."));
}

TEST_F(UpdaterTest, RefusesToCheckWhenNotStartedOrWithoutAVersion)
{
    FeedServer feed(200, appcast({QStringLiteral("201")}));
    delegate.address = feed.url().toString();
    {
        SPUUpdater updater(Bundle(root.path() / "Tallowmere.app"), UserDefaults(QStringLiteral("test")), &delegate,
                           driver);
        updater.checkForUpdates();
        EXPECT_EQ(driver.outcome, QStringLiteral("error The updater has not been started."));
    }
    {
        SPUUpdater updater(Bundle(root.path() / "Unversioned.app"), UserDefaults(QStringLiteral("test")), &delegate,
                           driver);
        updater.startUpdater();
        updater.checkForUpdates();
        EXPECT_TRUE(driver.outcome.startsWith(QStringLiteral("error The application's version is unknown")));
    }
    EXPECT_EQ(feed.requests(), 0);
}

TEST_F(UpdaterTest, AutomaticChecksAndTheStoredFeedLiveInTheUserDefaults)
{
    root.write("Auto.app/Contents/Info.plist",
               "<plist version=\"1.0\"><dict><key>SUEnableAutomaticChecks</key><true/></dict></plist>");
    UserDefaults defaults(QStringLiteral("test"));
    defaults.set(QStringLiteral("SUFeedURL"), QStringLiteral("https://old.example.invalid/appcast.xml"));
    {
        SPUUpdater updater(Bundle(root.path() / "Auto.app"), UserDefaults(QStringLiteral("test")), nullptr, driver);
        EXPECT_TRUE(updater.automaticallyChecksForUpdates());  // the bundle's default
        EXPECT_EQ(updater.feedURLString(), QStringLiteral("https://old.example.invalid/appcast.xml"));
        QSignalSpy changes(&updater, &SPUUpdater::automaticallyChecksForUpdatesChanged);
        updater.setAutomaticallyChecksForUpdates(true);
        EXPECT_EQ(changes.count(), 0) << "storing the bundle's default changes nothing";
        updater.setAutomaticallyChecksForUpdates(false);
        ASSERT_EQ(changes.count(), 1);
        EXPECT_EQ(changes.front().front(), QVariant(false));
        EXPECT_EQ(updater.clearFeedURLFromUserDefaults(), QStringLiteral("https://old.example.invalid/appcast.xml"));
        EXPECT_EQ(updater.clearFeedURLFromUserDefaults(), std::nullopt);
    }
    SPUUpdater restarted(Bundle(root.path() / "Auto.app"), UserDefaults(QStringLiteral("test")), nullptr, driver);
    EXPECT_FALSE(restarted.automaticallyChecksForUpdates());
    EXPECT_EQ(restarted.feedURLString(), QString());
}
