#include "Services/AppLanguage.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using velkora::AppLanguage;

namespace {

// The probe's report for an environment that holds only `variables`.
QMap<QString, QString> probe(const QStringList& command, const QMap<QString, QString>& variables)
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    for (auto variable = variables.cbegin(); variable != variables.cend(); ++variable) {
        environment.insert(variable.key(), variable.value());
    }
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(SERVICES_PROBE), command);
    EXPECT_TRUE(process.waitForFinished(10'000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QMap<QString, QString> report;
    int line = 0;
    for (const QString& text : QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        const qsizetype equals = text.indexOf('=');
        report.insert(equals > 0 ? text.left(equals) : QString::number(line), text.mid(equals + 1));
        ++line;
    }
    return report;
}

}  // namespace

TEST(AppLanguage, OnlyTheFirstPreferredLanguageCounts)
{
    struct Case {
        QStringList preferred;
        bool chinese;
    };
    for (const Case& c : {Case{{"zh-TW", "en-US"}, true}, Case{{"zh-Hans-CN"}, true}, Case{{"zh"}, true},
                          Case{{"en-CN", "zh-Hans"}, false}, Case{{}, false}, Case{{"C"}, false},
                          Case{{"ja-JP", "zh-CN"}, false}}) {
        EXPECT_EQ(AppLanguage::isChinese(c.preferred), c.chinese) << c.preferred.join(',').toStdString();
    }
}

TEST(AppLanguage, ChoiceFollowsTheEnvironment)
{
    struct Case {
        QMap<QString, QString> environment;
        bool chinese;
    };
    const std::vector<Case> cases{
        {{{"LANGUAGE", "zh_TW:en_US"}, {"LANG", "en_US.UTF-8"}}, true},
        {{{"LANGUAGE", "en_CN:zh_CN"}, {"LANG", "zh_CN.UTF-8"}}, false},
        {{{"LC_ALL", "zh_CN.UTF-8"}, {"LANG", "en_US.UTF-8"}}, true},
        {{{"LC_MESSAGES", "zh_HK.UTF-8"}, {"LANG", "en_GB.UTF-8"}}, true},
        {{{"LANG", "zh_SG.UTF-8"}}, true},
        {{{"LANG", "de_DE.UTF-8"}}, false},
        {{}, false},
    };
    for (const Case& c : cases) {
        const QMap<QString, QString> report = probe({QStringLiteral("language")}, c.environment);
        const std::string where = QStringList(c.environment.values()).join(' ').toStdString();
        EXPECT_EQ(report.value("chinese"), c.chinese ? "1" : "0") << where;
        EXPECT_EQ(report.value("locale"), c.chinese ? "zh-Hans" : "en") << where;
        EXPECT_EQ(report.value("qlocale"), c.chinese ? "zh_CN" : "en_US") << where;
        EXPECT_EQ(report.value("pair"), c.chinese ? "安装" : "Install") << where;
        EXPECT_EQ(report.value("dark"), c.chinese ? "深色" : "Dark") << where;
        EXPECT_EQ(report.value("unknown"), "没有这个键") << where;
        EXPECT_EQ(report.value("state"), c.chinese ? "过热保护" : "Heat Protection") << where;
        EXPECT_EQ(report.value("phase"), c.chinese ? "满电保持 1 小时" : "Hold Full for 1 Hour") << where;
        EXPECT_EQ(report.value("filled"), c.chinese ? "计划任务“夜间”失败：超时" : "Scheduled task “夜间” failed: 超时")
            << where;
        EXPECT_EQ(report.value("duration"), c.chinese ? "2 小时 5 分钟" : "2 h 5 min") << where;
    }
}

TEST(AppLanguage, EveryTitleKeyHasAnEnglishEntry)
{
    const QMap<QString, QString> titles = probe({QStringLiteral("titles")}, {{"LANGUAGE", "en_US"}});
    EXPECT_EQ(titles.size(), 3 + 4 + 3 + 3 + 4 + 4 + 9 + 5 + 6 + 10 + 6);
    const QRegularExpression chinese(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));
    for (const QString& title : titles) {
        EXPECT_FALSE(title.contains(chinese)) << title.toStdString();
    }
}

TEST(AppLanguage, PlaceholdersAreFilledInOrderWhateverTheirKind)
{
    using velkora::localized;
    EXPECT_EQ(localized(QStringLiteral("任务%@在%lld分钟后第%d次，PID %ld"), QStringLiteral("甲"), qint64(-5), 2, 77L),
              QStringLiteral("任务甲在-5分钟后第2次，PID 77"));
    EXPECT_EQ(localized(QStringLiteral("%@%@"), QStringLiteral("%d"), 3), QStringLiteral("%d3"))
        << "an argument's own text is never read as a placeholder";
}

TEST(AppLanguage, TextThatIsNoPlaceholderStaysAsItIs)
{
    using velkora::localized;
    EXPECT_EQ(localized(QStringLiteral("降至 %d%；显示器仍可正常关闭。"), 20),
              QStringLiteral("降至 20%；显示器仍可正常关闭。"));
    EXPECT_EQ(localized(QStringLiteral("100%% 与 %s"), 1), QStringLiteral("100% 与 %s"));
    EXPECT_EQ(localized(QStringLiteral("%@ 和 %@"), QStringLiteral("一")), QStringLiteral("一 和 %@"))
        << "a placeholder without an argument is left for the reader to see";
    EXPECT_EQ(localized(QStringLiteral("结尾%")), QStringLiteral("结尾%"));
    EXPECT_EQ(localized(QStringLiteral("结尾%"), 1), QStringLiteral("结尾%"));
}
