// What the console tests share: a console with the test snap-in loaded in the test's own prefix, and
// ways to name scope items and rows by their display names.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "console.h"
#include "testsnapin.h"
#include "tvplatform.h"

class ConsoleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitialize(nullptr);
        ASSERT_EQ(TestSnapinRegister(), S_OK);
    }

    // Each test may change the tree in Describe() before the console loads the snap-in.
    virtual void Describe(TestSnapin::Control&) {}

    void SetUp() override {
        TestSnapin::TheControl().Reset();
        Describe(TestSnapin::TheControl());
        console = std::make_unique<Console::CConsole>();
        std::wstring problem;
        ASSERT_EQ(console->AddSnapin(TestSnapin::CLSID_TestSnapin, &problem), S_OK) << tvp::ToUtf8(problem);
        ASSERT_EQ(console->Roots().size(), 1u);
        root = console->Roots().front();
    }

    void TearDown() override {
        console->Close();
        console.reset();
    }

    TestSnapin::Control& Snapin() { return TestSnapin::TheControl(); }
    Console::CView& View() { return console->View(); }
    std::vector<std::string>& Log() { return Snapin().log; }
    std::vector<std::string> Entries(std::initializer_list<const char*> prefixes) {
        return Snapin().Entries(prefixes);
    }

    // The scope item at "A/B" under the root, expanding on the way as a person would.
    HSCOPEITEM Item(const std::wstring& path) {
        HSCOPEITEM item = root;
        size_t start = 0;
        while (start < path.size()) {
            size_t slash = path.find(L'/', start);
            std::wstring name =
                path.substr(start, slash == std::wstring::npos ? std::wstring::npos : slash - start);
            View().ExpandScopeItem(item);
            HSCOPEITEM found = 0;
            for (HSCOPEITEM child : console->Children(item))
                if (console->DisplayName(child) == name) found = child;
            if (!found) return 0;
            item = found;
            if (slash == std::wstring::npos) break;
            start = slash + 1;
        }
        return item;
    }

    // The rows of the shown list, each as its cells joined by '|'.
    std::vector<std::wstring> Rows() {
        std::vector<std::wstring> rows;
        const Console::CResultList& list = View().List();
        for (int i = 0; i < list.RowCount(); ++i) {
            std::wstring row;
            for (size_t column = 0; column < list.Columns().size(); ++column)
                row += (column ? L"|" : L"") + View().CellText(list.RowAt(i), static_cast<int>(column));
            rows.push_back(row);
        }
        return rows;
    }

    int RowIndex(const std::wstring& name) {
        const Console::CResultList& list = View().List();
        for (int i = 0; i < list.RowCount(); ++i)
            if (View().CellText(list.RowAt(i), 0) == name) return i;
        return -1;
    }

    std::unique_ptr<Console::CConsole> console;
    HSCOPEITEM root = 0;
};
