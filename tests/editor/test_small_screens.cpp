// The windows on small screens: this test program runs itself again on a screen of 1024 by 600
// and one of 1024 by 768 pixels (the offscreen platform's screen set by a file), where every
// window, frame included, must fit and show its buttons.
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>

#include "editor/frm_heroprops.h"
#include "editor/frm_history.h"
#include "editor_harness.h"
#include "support/screens.h"

namespace b3edtest {
namespace {

constexpr const char* kScreenVariable = "B3_TEST_SCREEN";

// Room a window manager's title bar and borders take beyond the offscreen platform's frame.
constexpr int kFrameRoom = 38;

// Whether `child` lies wholly inside its window.
bool WhollyShown(const QWidget* child) {
    const QWidget* window = child->window();
    const QRect inWindow(child->mapTo(window, QPoint(0, 0)), child->size());
    return child->isVisible() && window->rect().contains(inWindow);
}

void ExpectFits(const QWidget* window, const QRect& area, const char* what) {
    EXPECT_TRUE(area.contains(window->frameGeometry()))
        << what << " " << window->frameGeometry().width() << "x" << window->frameGeometry().height()
        << "+" << window->frameGeometry().x() << "+" << window->frameGeometry().y();
    // A window manager's larger title bar fits too.
    EXPECT_LE(window->height() + kFrameRoom, area.height()) << what;
    EXPECT_LE(window->minimumSizeHint().height() + kFrameRoom, area.height()) << what;
    EXPECT_EQ(window->screen(), QGuiApplication::primaryScreen()) << what;
}

class SmallScreenTest : public EditorTest {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty(kScreenVariable))
            GTEST_SKIP() << "runs only on the screens of ScreensOfSmallSizes";
        EditorTest::SetUp();
    }
};

}  // namespace

TEST(SmallScreens, EveryWindowFitsScreensOfSmallSizes) {
    if (!qEnvironmentVariableIsEmpty(kScreenVariable)) GTEST_SKIP();
    b3test::TempDir dir;
    for (const int height : {600, 768}) {
        const auto run = b3::test::RunOnScreen(
            {1024, height, 1.0}, QString::fromStdString(dir.str()), "SmallScreenTest.*",
            kScreenVariable, QString("1024x%1").arg(height));
        ASSERT_TRUE(run.finished) << "1024x" << height;
        EXPECT_EQ(run.exitCode, 0) << "1024x" << height << ":\n" << run.output.toStdString();
        EXPECT_TRUE(run.output.contains("1 test")) << run.output.toStdString();
    }
}

TEST_F(SmallScreenTest, EveryWindowFitsTheScreen) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(QString("%1x%2").arg(area.width()).arg(area.height()),
              qEnvironmentVariable(kScreenVariable));
    const auto mainFits = [&] {
        ExpectFits(w.get(), area, "main window");
        EXPECT_TRUE(WhollyShown(w->statusBar()));
        EXPECT_TRUE(WhollyShown(w->sstEditor));
        for (QAction* a : w->tbrButtons) {
            if (a) {
                EXPECT_TRUE(WhollyShown(w->tbrMain->widgetForAction(a))) << a->text().toStdString();
            }
        }
    };
    mainFits();
    // The remembered size of a larger screen is fitted too.
    {
        frmB3Editor again(services, editObject);
        again.resize(1400, 1000);
        again.show();
        ExpectFits(&again, area, "main window, larger size remembered");
    }
    if (area.height() >= 768) {
        // Nothing is cut: every tab shows whole, without scrolling up and down.
        for (int kind = 0; kind < 5; ++kind) {
            tab(kind);
            QCoreApplication::processEvents();
            auto* page = qobject_cast<QScrollArea*>(w->sstEditor->currentWidget());
            ASSERT_NE(page, nullptr);
            EXPECT_FALSE(page->verticalScrollBar()->isVisible())
                << "tab " << kind << " content " << page->widget()->minimumSizeHint().height()
                << " hint " << page->widget()->sizeHint().height() << " room "
                << page->viewport()->height() << " window " << w->height() << " wide "
                << page->widget()->sizeHint().width() << " in " << page->viewport()->width();
            EXPECT_FALSE(page->horizontalScrollBar()->isVisible()) << "tab " << kind;
        }
    }

    tab(2);
    choose("Paladin");
    int shown = 0;
    services.onDialog = [&](QDialog& dialog) {
        ++shown;
        ExpectFits(&dialog, area, dialog.windowTitle().toUtf8().constData());
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            EXPECT_TRUE(WhollyShown(b)) << b->text().toStdString();
    };
    w->cmdHeroProps->click();
    w->cmdHistory->click();
    EXPECT_EQ(shown, 2);
}

}  // namespace b3edtest
