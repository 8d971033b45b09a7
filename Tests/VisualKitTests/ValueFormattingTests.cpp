#include "VisualKit/DesktopPowerText.h"
#include "VisualKit/ValueFormatting.h"

#include <TestSupport/TemporaryRoot.h>

#include <QLocale>
#include <QProcess>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <limits>

using namespace velkora;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// Every formatter's edge values; the same whatever the locale.
void expectEdgeValues()
{
    EXPECT_EQ(oneDecimal(0), "0.0");
    EXPECT_EQ(oneDecimal(-0.0), "-0.0");
    EXPECT_EQ(oneDecimal(12.345), "12.3");
    EXPECT_EQ(oneDecimal(3), "3.0");
    EXPECT_EQ(oneDecimal(-0.04), "-0.0");
    EXPECT_EQ(oneDecimal(0.05), "0.1");
    EXPECT_EQ(oneDecimal(0.25), "0.2") << "the binary value rounds as the format rounds it";
    EXPECT_EQ(oneDecimal(1e-300), "0.0");
    EXPECT_EQ(oneDecimal(1e15), "1000000000000000.0");
    EXPECT_EQ(oneDecimal(1234567.89), "1234567.9") << "no grouping";
    EXPECT_EQ(oneDecimal(std::numeric_limits<double>::max()).size(), 311);
    EXPECT_EQ(oneDecimal(nan), "--");
    EXPECT_EQ(oneDecimal(-infinity), "--");

    EXPECT_EQ(signedValue(0, "W"), "--");
    EXPECT_EQ(signedValue(-0.0, "A"), "--");
    EXPECT_EQ(signedValue(2.34, "W"), "+2.3 W");
    EXPECT_EQ(signedValue(-1.26, "A"), "-1.3 A");
    EXPECT_EQ(signedValue(0.04, "W"), "+0.0 W");
    EXPECT_EQ(signedValue(-1e-9, "A"), "-0.0 A");
    EXPECT_EQ(signedValue(nan, "A"), "--");
    EXPECT_EQ(signedValue(infinity, "W"), "--");

    EXPECT_EQ(measuredValue(12, "V"), "12.0 V");
    EXPECT_EQ(measuredValue(0, "V"), "--");
    EXPECT_EQ(measuredValue(-0.0, "V"), "--");
    EXPECT_EQ(measuredValue(-3, "W"), "--");
    EXPECT_EQ(measuredValue(1e-9, "A"), "0.0 A");
    EXPECT_EQ(measuredValue(nan, "W"), "--");
    EXPECT_EQ(measuredValue(infinity, "W"), "--");

    EXPECT_EQ(signedPower(0), "0.0 W");
    EXPECT_EQ(signedPower(-0.0), "-0.0 W");
    EXPECT_EQ(signedPower(7.86), "+7.9 W");
    EXPECT_EQ(signedPower(-4.2), "-4.2 W");
    EXPECT_EQ(signedPower(nan), "--");
    EXPECT_EQ(signedPower(-infinity), "--");

    const QString dash = QStringLiteral("\u2014");
    EXPECT_EQ(DesktopPowerText::value(std::nullopt), dash);
    EXPECT_EQ(DesktopPowerText::value(0.05), dash);
    EXPECT_EQ(DesktopPowerText::value(-3), dash);
    EXPECT_EQ(DesktopPowerText::value(1000), dash);
    EXPECT_EQ(DesktopPowerText::value(infinity), dash);
    EXPECT_EQ(DesktopPowerText::value(nan), dash);
    EXPECT_EQ(DesktopPowerText::value(0.1), "0.1 W");
    EXPECT_EQ(DesktopPowerText::value(12.34), "12.3 W");
    EXPECT_EQ(DesktopPowerText::value(999.96), "1000.0 W");
}

}  // namespace

TEST(ValueFormatting, EdgeValuesReadAsDecidedAndNeverAsNanOrInf)
{
    expectEdgeValues();
}

TEST(ValueFormatting, ACommaDecimalLocaleChangesNothing)
{
    // A German LC_NUMERIC made for this test: "%.1f" would print "12,3" there.
    TemporaryRoot locales;
    QProcess make;
    make.start(QStringLiteral("localedef"), {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                                             QStringLiteral("UTF-8"),
                                             QString::fromStdString((locales.path() / "de_DE.UTF-8").string())});
    ASSERT_TRUE(make.waitForFinished(60'000));
    ASSERT_EQ(make.exitCode(), 0) << make.readAllStandardError().toStdString();
    setenv("LOCPATH", locales.path().c_str(), 1);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.1f", 12.345);
    EXPECT_STREQ(printed, "12,3") << "the locale is in force";
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

    expectEdgeValues();

    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
}

TEST(ValueFormatting, DurationsReadInBothLanguagesFromTheStringTable)
{
    const auto durations = [](const QString& language) {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        environment.insert(QStringLiteral("LANGUAGE"), language);
        QProcess probe;
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral(VISUAL_KIT_PROBE), {QStringLiteral("durations")});
        EXPECT_TRUE(probe.waitForFinished(10'000));
        EXPECT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();
        return QString::fromUtf8(probe.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    EXPECT_EQ(durations(QStringLiteral("en_US")),
              QStringList({"--", "--", "--", "1 min", "59 min", "1 h 0 min", "2 h 15 min",
                           "153722867280912930 h 7 min"}));
    EXPECT_EQ(durations(QStringLiteral("zh_CN")),
              QStringList({"--", "--", "--", "1 分钟", "59 分钟", "1 小时 0 分钟", "2 小时 15 分钟",
                           "153722867280912930 小时 7 分钟"}));
}
