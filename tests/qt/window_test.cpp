// The desktop window under Qt's offscreen platform, over the real snap-in in a prefix of its own: what a
// person's clicks in the window do.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <set>

#include "frontend.h"
#include "mainwindow.h"
#include "objbase.h"
#include "prsht.h"
#include "test_support.h"

namespace {

const int kBackupFile = 1006;     // the Backup wizard's file name
const int kBackupProgress = 1019; // and its progress bar

QApplication& Application() {
    static int argc = 1;
    static char name[] = "window_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *application;
}

class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(tvtest::Run(tvtest::BuildDir() + "/bin/tavrosk-init"), 0);
        std::string path = tvtest::BuildDir() + "/vendor:" + std::getenv("PATH");
        setenv("PATH", path.c_str(), 1); // the snap-in loads morvane.dll by its bare name
        Application();
    }

    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        m_console = std::make_unique<Console::CConsole>();
        std::wstring problem;
        ASSERT_TRUE(SUCCEEDED(m_console->AddRegisteredSnapins(&problem)));
        m_owner = CreateWindowExW(0, L"Static", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                  nullptr);
        m_console->SetMainWindow(m_owner);
        m_window = std::make_unique<Desktop::CMainWindow>(*m_console);
        m_frontEnd = std::make_unique<Desktop::CFrontEnd>(*m_console, *m_window, nullptr);
        m_window->show();
        QCoreApplication::processEvents();
    }

    void TearDown() override {
        m_console->Close();
        m_frontEnd.reset();
        m_window.reset();
        m_console.reset();
        DestroyWindow(m_owner);
        CoUninitialize();
    }

    // The scope item at the path of display names, expanded on the way as a person would.
    HSCOPEITEM Find(const std::vector<std::wstring>& path) {
        Console::CView& view = m_console->View();
        HSCOPEITEM item = 0;
        for (const std::wstring& name : path) {
            std::vector<HSCOPEITEM> children = item ? m_console->Children(item) : m_console->Roots();
            HSCOPEITEM found = 0;
            for (HSCOPEITEM child : children)
                if (m_console->DisplayName(child) == name) found = child;
            if (!found) return 0;
            item = found;
            view.ExpandScopeItem(item);
        }
        return item;
    }

    HSCOPEITEM Databases() {
        return Find({L"Korvath Console", L"SQL Server Group", L"(local)", L"Databases"});
    }

    QTreeWidget* Results() { return m_window->findChild<QTreeWidget*>("results"); }

    QStringList Names() {
        QStringList names;
        for (int i = 0; i < Results()->topLevelItemCount(); ++i)
            names << Results()->topLevelItem(i)->text(0);
        return names;
    }

    std::unique_ptr<Console::CConsole> m_console;
    std::unique_ptr<Desktop::CMainWindow> m_window;
    std::unique_ptr<Desktop::CFrontEnd> m_frontEnd;
    HWND m_owner = nullptr;
};

TEST_F(WindowTest, ClickingAColumnHeaderSortsAsTheSnapinSays) {
    // The logins list holds the storage-area access library's users as result items.
    ASSERT_EQ(tvtest::Run(tvtest::BuildDir() +
                          "/bin/tavrosk-engine sql '(local)' UserPerm "
                          "\"INSERT INTO users (name) VALUES ('bert'), ('anna'), ('carl')\""),
              0);
    HSCOPEITEM logins = Find({L"Korvath Console", L"SQL Server Group", L"(local)", L"Security", L"Logins"});
    ASSERT_NE(logins, 0u);
    m_console->View().SelectScopeItem(logins);
    m_window->Refresh(true);
    ASSERT_EQ(Names().size(), 3);
    QHeaderView* header = Results()->header();
    auto clickName = [&] {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(0) + 10, header->height() / 2));
        return Names().join(",").toStdString();
    };
    EXPECT_EQ(clickName(), "anna,bert,carl");
    EXPECT_EQ(m_console->View().SortColumn(), 0);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(clickName(), "carl,bert,anna") << "a second click sorts the other way";
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
}

// A person runs the Backup wizard with clicks and typing; while the worker thread moves the progress
// bar, a timer of the window keeps firing, and the backup file is there at the end.
TEST_F(WindowTest, TheWindowKeepsAnsweringWhileABackupRuns) {
    HSCOPEITEM databases = Databases();
    ASSERT_NE(databases, 0u);
    HSCOPEITEM sales = Find({L"Korvath Console", L"SQL Server Group", L"(local)", L"Databases", L"Sales"});
    ASSERT_NE(sales, 0u);
    Console::CView& view = m_console->View();
    view.SelectScopeItem(sales);
    std::unique_ptr<Console::CContextMenu> menu;
    ASSERT_TRUE(SUCCEEDED(view.BuildContextMenu(&menu)));
    const Console::CMenuItem* backup = menu->FindCommand(L"Backup Database...");
    ASSERT_NE(backup, nullptr);

    int ticks = 0;
    std::map<int, int> ticksAtValue; // progress value -> the ticks when it was first seen
    bool typed = false, finished = false;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        Desktop::CDialogView* wizard = m_frontEnd->FrontDialog();
        if (!wizard) return;
        auto shown = [&](int id) {
            QWidget* widget = wizard->ControlWidget(id);
            return widget && widget->isVisibleTo(wizard) && widget->isEnabled() ? widget : nullptr;
        };
        if (auto* bar = qobject_cast<QProgressBar*>(shown(kBackupProgress)))
            ticksAtValue.emplace(bar->value(), ticks);
        if (ticks % 10) return; // a person's pace
        if (auto* file = qobject_cast<QLineEdit*>(shown(kBackupFile)); file && !typed) {
            file->selectAll();
            QTest::keyClicks(file, "window.bak");
            typed = true;
        }
        if (QWidget* finish = shown(ID_WIZFINISH)) {
            finished = true;
            QTest::mouseClick(finish, Qt::LeftButton);
        } else if (QWidget* next = shown(ID_WIZNEXT)) {
            QTest::mouseClick(next, Qt::LeftButton);
        }
    });
    ticker.start(1);
    view.RunMenuCommand(*menu, *backup); // the wizard runs modally until Finish
    ticker.stop();

    EXPECT_TRUE(typed);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(std::filesystem::exists(tvtest::Prefix() + "/instances/MSSQLSERVER/Backup/window.bak"));
    ASSERT_GE(ticksAtValue.size(), 2u) << "the bar was seen moving";
    EXPECT_GT(ticksAtValue.rbegin()->first, ticksAtValue.begin()->first);
    EXPECT_GT(ticksAtValue.rbegin()->second, ticksAtValue.begin()->second)
        << "the timer fired between the bar's first and last positions";
}

} // namespace
