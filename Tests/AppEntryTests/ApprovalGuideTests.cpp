// The approval guide: its delayed presentation on the model's clock, its
// frame, how it follows System Settings through the workspace, how it ends,
// and what its card carries.

#include "../WindowViewTests/WindowFixture.h"

#include "App/BackgroundPermissionDragPayload.h"
#include "App/BackgroundPermissionGuidePresenter.h"
#include "App/BackgroundPermissionGuideView.h"

#include "Simulator/SimmacConnection.h"
#include "Services/AppLanguage.h"
#include "VisualKit/SymbolView.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QScreen>
#include <QUrl>

namespace velkora::test {

namespace {

using Presenter = BackgroundPermissionGuidePresenter;

// A stand-in application of the simulated Mac's workspace: announced while
// it lives, brought to the front on request.
class WorkspaceApplication {
public:
    WorkspaceApplication(const std::string& bundleIdentifier, const std::string& name)
    {
        connection_.request("workspace.launch", {{"bundleIdentifier", bundleIdentifier}, {"name", name}});
    }
    void activate() { connection_.request("workspace.activate"); }

private:
    simulator::SimmacConnection connection_;
};

}  // namespace

class ApprovalGuideTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        Presenter::shared().setReduceMotion(&reduceMotion);
        reduceMotion.setReduceMotion(true);
    }

    void TearDown() override
    {
        Presenter::shared().hide(false);
        settle();
        WindowFixture::TearDown();
    }

    // Time passes on the model's clock.
    void after(std::chrono::milliseconds duration)
    {
        clock->advance(duration);
        settle();
    }

    bool presented() const { return panel() != nullptr && panel()->isVisible(); }
    static FloatingWindow* panel() { return Presenter::shared().panel(); }

    // Until the guide hears the workspace's notifications.
    bool workspaceSubscribed()
    {
        return waitFor([] {
            return simulator::SimmacConnection().request("status")["workspace"]["subscribers"].get<int>() >= 2;
        });
    }
};

TEST_F(ApprovalGuideTest, ThePanelComesUpOnceTheDelayAfterTheLastShowAndHideDuringItPreventsIt)
{
    createSettledModel();
    Presenter& guide = Presenter::shared();
    guide.show(*model);
    EXPECT_TRUE(guide.guideIsActive());
    ASSERT_NE(panel(), nullptr);
    QWidget* first = panel();
    after(300ms);
    guide.show(*model);
    EXPECT_EQ(panel(), first) << "the panel is kept while the guide is active";
    after(300ms);
    EXPECT_FALSE(presented()) << "a second show starts the delay again";
    after(119ms);
    EXPECT_FALSE(presented());
    after(1ms);
    ASSERT_TRUE(presented());
    EXPECT_FALSE(guide.isPresentationPending());
    const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(panel()->cardGeometry(), BackgroundPermissionGuideLayout::frame(visible));
    EXPECT_EQ(panel()->windowOpacity(), 1.0);

    guide.hide(true);
    EXPECT_FALSE(guide.guideIsActive());
    EXPECT_EQ(panel(), nullptr);
    EXPECT_FALSE(guide.isObservingWorkspace());

    // Ended during the delay: nothing comes up, and a later show makes a new panel.
    guide.show(*model);
    QPointer<QWidget> second = panel();
    after(200ms);
    guide.hide(true);
    after(1s);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(second.isNull());
    guide.show(*model);
    EXPECT_NE(panel(), nullptr);
    after(Presenter::presentationDelay);
    EXPECT_TRUE(presented());
}

TEST_F(ApprovalGuideTest, ThePanelIsAtMostNineHundredAndAtLeastThreeHundredTwentyWideAtTheBottom)
{
    const QRect narrow = BackgroundPermissionGuideLayout::frame(QRect(0, 25, 300, 800));
    EXPECT_EQ(narrow.width(), 320);
    EXPECT_EQ(narrow.x(), 150 - 160);
    EXPECT_EQ(narrow.height(), 144);
    EXPECT_EQ(narrow.bottom() + 1, 25 + 800 - 24);
    const QRect wide = BackgroundPermissionGuideLayout::frame(QRect(100, 0, 2000, 1200));
    EXPECT_EQ(wide.width(), 900);
    EXPECT_EQ(wide.x(), 100 + 1000 - 450);
    EXPECT_EQ(wide.y(), 1200 - 24 - 144);
    EXPECT_EQ(BackgroundPermissionGuideLayout::frame(QRect(0, 0, 700, 500)).width(), 664);
}

TEST_F(ApprovalGuideTest, EndingClosesAtOnceWithReducedMotionOrWhenThePanelWasPutAside)
{
    createSettledModel();
    Presenter& guide = Presenter::shared();
    guide.show(*model);
    after(Presenter::presentationDelay);
    QPointer<QWidget> shown = panel();
    ASSERT_TRUE(presented());
    guide.hide(true);
    EXPECT_FALSE(shown->isVisible()) << "no fade with reduced motion";

    reduceMotion.setReduceMotion(false);
    guide.show(*model);
    QPointer<QWidget> asideOne = panel();
    // Never presented: nothing to fade.
    guide.hide(true);
    EXPECT_FALSE(asideOne->isVisible());

    // Presented with motion: it fades out, then closes.
    guide.show(*model);
    after(Presenter::presentationDelay);
    QPointer<QWidget> fading = panel();
    ASSERT_TRUE(waitFor([&] { return fading->windowOpacity() == 1.0; }));
    guide.hide(true);
    EXPECT_TRUE(fading->isVisible());
    EXPECT_TRUE(waitFor([&] { return fading.isNull(); }));
}

TEST_F(ApprovalGuideTest, ItFollowsSystemSettingsComingToTheFrontAndEndsWhenItQuits)
{
    createSettledModel();
    Presenter& guide = Presenter::shared();
    guide.show(*model);
    ASSERT_TRUE(guide.isObservingWorkspace());
    ASSERT_TRUE(workspaceSubscribed());
    auto settings = std::make_unique<WorkspaceApplication>(Presenter::systemSettingsBundleIdentifier, "System Settings");
    after(Presenter::presentationDelay);
    ASSERT_TRUE(presented());

    // Another application in front: the panel steps aside, the guide stays.
    WorkspaceApplication other("com.velkora.guide-test", "Other");
    other.activate();
    ASSERT_TRUE(waitFor([&] { return !presented(); }));
    EXPECT_TRUE(guide.guideIsActive());
    EXPECT_NE(panel(), nullptr);

    // System Settings back in front: the panel comes back after the delay.
    settings->activate();
    ASSERT_TRUE(waitFor([&] { return guide.isPresentationPending(); }));
    EXPECT_FALSE(presented());
    after(Presenter::presentationDelay);
    EXPECT_TRUE(presented());

    // System Settings quits: the guide ends.
    settings.reset();
    ASSERT_TRUE(waitFor([&] { return !guide.guideIsActive(); }));
    EXPECT_EQ(panel(), nullptr);
    EXPECT_FALSE(guide.isObservingWorkspace());
}

TEST_F(ApprovalGuideTest, CheckAgainLeavesTheGuideUpUntilTheHelperIsApproved)
{
    registration->currentStatus = platform::SMAppService::Status::requiresApproval;
    createSettledModel();
    ASSERT_EQ(model->helperStatus(), HelperStatus::requiresApproval());
    Presenter& guide = Presenter::shared();
    guide.show(*model);
    after(Presenter::presentationDelay);
    ASSERT_TRUE(presented());
    auto* view = panel()->findChild<BackgroundPermissionGuideView*>();
    ASSERT_NE(view, nullptr);

    QTest::mouseClick(view->checkAgainButton(), Qt::LeftButton);
    settle();
    ASSERT_TRUE(waitFor([&] { return !model->helperStatus().isBusy(); }));
    settle();
    EXPECT_TRUE(guide.guideIsActive());
    EXPECT_TRUE(presented());

    registration->currentStatus = platform::SMAppService::Status::enabled;
    QTest::mouseClick(view->checkAgainButton(), Qt::LeftButton);
    EXPECT_TRUE(waitFor([&] { return !guide.guideIsActive(); }));
    EXPECT_EQ(model->helperStatus(), HelperStatus::enabled());
}

TEST_F(ApprovalGuideTest, TheCloseButtonEndsTheGuide)
{
    createSettledModel();
    Presenter& guide = Presenter::shared();
    guide.show(*model);
    after(Presenter::presentationDelay);
    ASSERT_TRUE(presented());
    auto* view = panel()->findChild<BackgroundPermissionGuideView*>();
    ASSERT_NE(view, nullptr);
    QTest::mouseClick(view->closeButton(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(guide.guideIsActive());
    EXPECT_EQ(panel(), nullptr);
}

// Every object that assistive technology reaches from `reading` down.
void collectReachable(QAccessibleInterface* reading, QList<QObject*>& reached)
{
    reached.append(reading->object());
    for (int index = 0; index < reading->childCount(); ++index) {
        if (QAccessibleInterface* child = reading->child(index)) {
            collectReachable(child, reached);
        }
    }
}

TEST(BackgroundPermissionGuideViewTest, TheArrowAndTheHandAreNotReadButTheCardTextsAndButtonsAre)
{
    BackgroundPermissionGuideView view([] {}, [] {});
    QList<QObject*> reached;
    collectReachable(QAccessible::queryAccessibleInterface(&view), reached);

    QStringList symbols;
    for (const SymbolView* symbol : view.findChildren<SymbolView*>()) {
        symbols.append(symbol->name());
        EXPECT_FALSE(reached.contains(symbol)) << symbol->name().toStdString();
    }
    symbols.sort();
    EXPECT_EQ(symbols, (QStringList{QStringLiteral("arrow.up"), QStringLiteral("hand.draw")}));
    EXPECT_TRUE(reached.contains(view.appIdentityCard()));
    EXPECT_TRUE(reached.contains(view.closeButton()));
    EXPECT_TRUE(reached.contains(view.checkAgainButton()));
    QStringList texts;
    for (const QObject* object : reached) {
        if (const auto* label = qobject_cast<const QLabel*>(object)) {
            texts.append(label->text());
        }
    }
    EXPECT_TRUE(texts.contains(QStringLiteral("Tallowmere")));
    EXPECT_TRUE(texts.contains(L(QStringLiteral("Drag Tallowmere into the permission list above"),
                                 QStringLiteral("将左侧 Tallowmere 拖到上方权限列表"))));
}

TEST_F(ApprovalGuideTest, ThePanelCastsItsShadowBelowItsCardAndTheDragPreviewItsOwn)
{
    createSettledModel();
    Presenter::shared().show(*model);
    after(Presenter::presentationDelay);
    ASSERT_TRUE(presented());
    // Offscreen windows blend: the panel grows by the shadow, 30 across and
    // 14 dropped, and its card keeps the guide's frame.
    EXPECT_EQ(panel()->shadowMargins(), QMargins(30, 16, 30, 44));
    EXPECT_EQ(panel()->geometry(), panel()->cardGeometry() + panel()->shadowMargins());
    const QImage picture = panel()->grab().toImage();
    const QRect card = panel()->rect() - panel()->shadowMargins();
    EXPECT_GT(qAlpha(picture.pixel(card.center().x(), card.bottom() + 12)), 40);
    EXPECT_LT(qAlpha(picture.pixel(card.center().x(), card.top() - 12)), 10);

    const QPixmap plain = BackgroundPermissionGuideView::dragPreview(1, false);
    const QPixmap shadowed = BackgroundPermissionGuideView::dragPreview(1, true);
    EXPECT_EQ(plain.height(), 62);
    const QMargins room = BackgroundPermissionGuideView::dragPreviewShadow.margins();
    EXPECT_EQ(shadowed.size(), plain.size().grownBy(room));
    // The pointer holds the icon's centre either way.
    EXPECT_EQ(BackgroundPermissionGuideView::dragPreviewHotSpot(true),
              BackgroundPermissionGuideView::dragPreviewHotSpot(false) + QPoint(room.left(), room.top()));
    const QImage preview = shadowed.toImage();
    EXPECT_GT(qAlpha(preview.pixel(preview.width() / 2, room.top() + 62 + 5)), 20) << "below the card";
    EXPECT_EQ(qAlpha(preview.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(plain.toImage().pixel(plain.width() / 2, 58)), 255) << "without a shadow, the card is all";
}

TEST(BackgroundPermissionDragPayloadTest, TheInstalledCopyIsDraggedWheneverItExists)
{
    const std::filesystem::path installed = "/Applications/Tallowmere.app";
    const std::filesystem::path running = "/tmp/build/Tallowmere.app";
    EXPECT_EQ(BackgroundPermissionDragPayload::appURL(installed, running, [](const auto&) { return true; }), installed);
    EXPECT_EQ(BackgroundPermissionDragPayload::appURL(installed, running, [](const auto&) { return false; }), running);
    std::unique_ptr<QMimeData> data(BackgroundPermissionDragPayload::itemProvider(installed));
    ASSERT_EQ(data->urls().size(), 1);
    EXPECT_EQ(data->urls().front(), QUrl::fromLocalFile(QStringLiteral("/Applications/Tallowmere.app")));
}

}  // namespace velkora::test
