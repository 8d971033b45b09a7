#include "Services/ScheduleStore.h"

#include "Foundation/SimulatedRoot.h"

#include "ProbeDocuments.h"
#include <TestSupport/TemporaryRoot.h>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

using namespace velkora;
using Json = nlohmann::json;

namespace {

class ScheduleStoreTest : public testing::Test {
protected:
    std::filesystem::path file() const
    {
        return platform::SimulatedRoot::homeDirectory() / "Library/Application Support/Velkora/schedules.json";
    }
    void writeFile(const std::string& text) const { root.write(file().lexically_relative(root.path()), text); }
    std::string readFile() const { return root.read(file().lexically_relative(root.path())); }
    Json document() const { return Json::parse(readFile()); }
    // The files an unusable store was renamed to.
    std::vector<std::filesystem::path> keptAside() const
    {
        std::vector<std::filesystem::path> found;
        for (const auto& entry : std::filesystem::directory_iterator(file().parent_path())) {
            if (entry.path().filename().string().starts_with("schedules.json.unreadable-")) {
                found.push_back(entry.path());
            }
        }
        return found;
    }

    static std::string taskObject(const std::string& extra = "", const std::string& action = "setLimit")
    {
        return R"({"id":"0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9","action":")" + action +
               R"(","targetPercentage":75,"date":3600.5,"repeatRule":"weekly")" + extra + "}";
    }
    static std::string historyObject(int index)
    {
        return R"({"id":"00000000-0000-4000-8000-)" + QString::number(index).rightJustified(12, '0').toStdString() +
               R"(","taskName":"Set Charge Limit","executedAt":)" + std::to_string(index) +
               R"(,"succeeded":true,"message":"ok"})";
    }
    static std::string historyArray(int count)
    {
        std::string out = "[";
        for (int i = 0; i < count; ++i) {
            out += (i ? "," : "") + historyObject(i);
        }
        return out + "]";
    }

    TemporaryRoot root;
};

}  // namespace

TEST_F(ScheduleStoreTest, WritesTheDocumentAsTheFileFormatGivesIt)
{
    ScheduleStore store;
    ScheduledTask never;
    never.id = QUuid(QStringLiteral("{0f1e2d3c-4b5a-4978-8695-a4b3c2d1e0f9}"));
    never.date = probe::at(0);
    ScheduledTask ran = never;
    ran.id = QUuid::createUuid();
    ran.action = ScheduleAction::calibration;
    ran.targetPercentage = 100;
    ran.date = probe::at(3600.5);
    ran.repeatRule = ScheduleRepeat::biweekly;
    ran.enabled = false;
    ran.lastRun = probe::at(-86400);
    store.setTasks({never, ran});
    store.setHistory({TaskHistoryEntry{QUuid::createUuid(), QStringLiteral("开始校准"), probe::at(7200), false,
                                       QStringLiteral("失败: \"quoted\"")}});

    const std::string text = readFile();
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.rfind(R"({"tasks":[{"id":"0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9","action":"setLimit",)", 0), 0u) << text;
    const Json saved = Json::parse(text);
    ASSERT_EQ(saved["tasks"].size(), 2u);
    const Json& first = saved["tasks"][0];
    EXPECT_EQ(first["id"], "0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9");
    EXPECT_EQ(first["action"], "setLimit");
    EXPECT_EQ(first["targetPercentage"], 80);
    EXPECT_EQ(first["date"].get<double>(), 0.0);
    EXPECT_EQ(first["repeatRule"], "never");
    EXPECT_EQ(first["enabled"], true);
    EXPECT_FALSE(first.contains("lastRun"));
    const Json& second = saved["tasks"][1];
    EXPECT_EQ(second["id"], ran.id.toString(QUuid::WithoutBraces).toUpper().toStdString());
    EXPECT_EQ(second["action"], "calibration");
    EXPECT_EQ(second["date"].get<double>(), 3600.5);
    EXPECT_EQ(second["repeatRule"], "biweekly");
    EXPECT_EQ(second["enabled"], false);
    EXPECT_EQ(second["lastRun"].get<double>(), -86400.0);
    EXPECT_EQ(saved["history"][0]["taskName"], "开始校准");
    EXPECT_EQ(saved["history"][0]["executedAt"].get<double>(), 7200.0);
    EXPECT_EQ(saved["history"][0]["succeeded"], false);
    EXPECT_EQ(saved["history"][0]["message"], "失败: \"quoted\"");

    const ScheduleStore reloaded;
    EXPECT_EQ(reloaded.tasks(), store.tasks());
    ASSERT_EQ(reloaded.history().size(), 1);
    EXPECT_EQ(reloaded.history()[0].id, store.history()[0].id);
    EXPECT_EQ(reloaded.history()[0].message, store.history()[0].message);
}

TEST_F(ScheduleStoreTest, ReadsOptionalAndUnknownKeysAndEitherCaseOfUuid)
{
    writeFile(R"({"tasks":[)" + taskObject(R"(,"enabled":true)") + "," +
              taskObject(R"(,"enabled":false,"lastRun":null,"note":"ignored")") + "," +
              R"({"id":"0f1e2d3c-4b5a-4978-8695-a4b3c2d1e0f9","action":"topUp","targetPercentage":100.0,"date":5,"repeatRule":"never","enabled":true,"lastRun":4.25}],"history":[],"extra":1})");
    const ScheduleStore store;
    ASSERT_EQ(store.tasks().size(), 3);
    EXPECT_EQ(store.tasks()[0].action, ScheduleAction::setLimit);
    EXPECT_EQ(store.tasks()[0].targetPercentage, 75);
    EXPECT_EQ(store.tasks()[0].date, probe::at(3600.5));
    EXPECT_EQ(store.tasks()[0].repeatRule, ScheduleRepeat::weekly);
    EXPECT_EQ(store.tasks()[0].lastRun, std::nullopt);
    EXPECT_EQ(store.tasks()[1].lastRun, std::nullopt);
    EXPECT_EQ(store.tasks()[2].id, QUuid(QStringLiteral("0f1e2d3c-4b5a-4978-8695-a4b3c2d1e0f9")));
    EXPECT_EQ(store.tasks()[2].lastRun, probe::at(4.25));
    // Loading assigns both lists, which rewrites the file in the store's own form.
    EXPECT_EQ(document()["tasks"][2]["id"], "0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9");
    EXPECT_FALSE(document().contains("extra"));
}

TEST_F(ScheduleStoreTest, AnyFaultInTheFileGivesAnEmptyStoreAndKeepsTheFileAsideFromTheNextSave)
{
    const std::string good = taskObject(R"(,"enabled":true)");
    const std::vector<std::string> broken{
        R"({"tasks":[)" + good + "]}",                                              // no history
        R"({"tasks":[)" + taskObject(R"(,"enabled":true)", "sleep") + R"(],"history":[]})",
        R"({"tasks":[)" + taskObject() + R"(],"history":[]})",                      // no enabled
        R"({"tasks":[)" + taskObject(R"(,"enabled":1)") + R"(],"history":[]})",
        R"({"tasks":[)" + good + "," + taskObject(R"(,"enabled":true,"lastRun":"yesterday")") + R"(],"history":[]})",
        R"({"tasks":[)" + taskObject(R"(,"enabled":true,"lastRun":1e300)") + R"(],"history":[]})",
        R"({"tasks":[{"id":"0F1E2D3C4B5A497886 95A4B3C2D1E0F9","action":"pause","targetPercentage":1,"date":0,"repeatRule":"never","enabled":true}],"history":[]})",
        R"({"tasks":[{"id":"0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F","action":"pause","targetPercentage":1,"date":0,"repeatRule":"never","enabled":true}],"history":[]})",
        R"({"tasks":[{"id":"0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9","action":"pause","targetPercentage":"80","date":0,"repeatRule":"never","enabled":true}],"history":[]})",
        R"({"tasks":[],"history":[{"id":"00000000-0000-4000-8000-000000000001","taskName":"x","executedAt":1,"succeeded":true}]})",
        R"({"tasks":[],"history":{}})",
        R"([])",
        R"({"tasks":[],"history":[])",
        "",
    };
    for (const std::string& text : broken) {
        writeFile(text);
        {
            const ScheduleStore store;
            EXPECT_TRUE(store.tasks().isEmpty()) << text;
            EXPECT_TRUE(store.history().isEmpty()) << text;
            EXPECT_FALSE(std::filesystem::exists(file())) << text;
            const std::vector<std::filesystem::path> aside = keptAside();
            ASSERT_EQ(aside.size(), 1u) << text;
            EXPECT_EQ(root.read(aside.front().lexically_relative(root.path())), text);
            std::filesystem::remove(aside.front());
        }
    }
    writeFile(broken.front());
    ScheduleStore store;
    store.addDefaultTask();
    EXPECT_EQ(document()["tasks"].size(), 1u);
    EXPECT_EQ(document()["history"].size(), 0u);
    ASSERT_EQ(keptAside().size(), 1u);
    EXPECT_EQ(root.read(keptAside().front().lexically_relative(root.path())), broken.front());
}

TEST_F(ScheduleStoreTest, WrittenHistoryKeepsTheNewest500)
{
    {
        ScheduleStore store;
        QList<TaskHistoryEntry> history;
        for (int i = 1; i <= 501; ++i) {
            history.append(TaskHistoryEntry{QUuid::createUuid(), QString::number(i), probe::at(i), true, QString()});
        }
        store.setHistory(history);
        EXPECT_EQ(store.history().size(), 501);
        const Json saved = document()["history"];
        ASSERT_EQ(saved.size(), 500u);
        EXPECT_EQ(saved.front()["taskName"], "2");
        EXPECT_EQ(saved.back()["taskName"], "501");
    }

    writeFile(R"({"tasks":[],"history":)" + historyArray(600) + "}");
    const ScheduleStore loaded;
    EXPECT_EQ(loaded.history().size(), 600);
    const Json rewritten = document()["history"];
    ASSERT_EQ(rewritten.size(), 500u);
    EXPECT_EQ(rewritten.front()["executedAt"].get<double>(), 100.0);
}

TEST_F(ScheduleStoreTest, AddsDefaultTasksAnHourAheadAndRemovesById)
{
    const auto tenOClock = probe::at(36000);
    ScheduleStore store(nullptr, [&] { return tenOClock; });
    ScheduledTask existing;
    existing.action = ScheduleAction::discharge;
    store.setTasks({existing});

    store.addDefaultTask();
    ASSERT_EQ(store.tasks().size(), 2);
    const ScheduledTask& added = store.tasks()[1];
    EXPECT_EQ(added.date, probe::at(39600));
    EXPECT_EQ(added.action, ScheduleAction::setLimit);
    EXPECT_EQ(added.targetPercentage, 80);
    EXPECT_EQ(added.repeatRule, ScheduleRepeat::never);
    EXPECT_TRUE(added.enabled);
    EXPECT_EQ(added.lastRun, std::nullopt);
    EXPECT_NE(added.id, existing.id);
    EXPECT_EQ(document()["tasks"].size(), 2u);

    std::filesystem::remove(file());
    store.remove(ScheduledTask());  // no such task: the list stays, the file is written all the same
    EXPECT_EQ(store.tasks().size(), 2);
    EXPECT_EQ(document()["tasks"].size(), 2u);

    ScheduledTask sameId = existing;
    sameId.targetPercentage = 5;
    store.remove(sameId);
    ASSERT_EQ(store.tasks().size(), 1);
    EXPECT_EQ(store.tasks()[0].id, added.id);

    ScheduledTask otherRun = added;
    otherRun.lastRun = tenOClock;
    EXPECT_NE(otherRun, added);
}

TEST_F(ScheduleStoreTest, ObserversHearOfAChangeBeforeItHappens)
{
    ScheduleStore store;
    std::vector<qsizetype> sizesSeen;
    QObject::connect(&store, &ScheduleStore::objectWillChange, [&] { sizesSeen.push_back(store.tasks().size()); });
    store.addDefaultTask();
    store.addDefaultTask();
    EXPECT_EQ(sizesSeen, (std::vector<qsizetype>{0, 1}));
}
