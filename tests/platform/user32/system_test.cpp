// What pages and long operations ask of the system: the wait cursor shown through the front end and
// the previous cursor restored, the message font of the non-client metrics and the display's pixels
// per inch from which a page makes its 12-point bold title font.
#include "window_test_support.h"

#include "tvfrontend.h"

namespace {

class CursorFrontEnd : public ITvFrontEnd {
public:
    int MessageBox(HWND, const wchar_t*, const wchar_t*, UINT) override { return IDOK; }
    void CursorChanged(HCURSOR cursor) override { cursors.push_back(cursor); }
    std::vector<HCURSOR> cursors;
};

TEST(Cursor, TheWaitCursorReachesTheFrontEndAndThePreviousOneComesBack) {
    HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    ASSERT_NE(wait, nullptr);
    EXPECT_NE(wait, arrow);
    EXPECT_EQ(LoadCursorW(nullptr, IDC_WAIT), wait) << "a system cursor is always the same handle";
    EXPECT_EQ(LoadCursorW(GetModuleHandleW(nullptr), IDC_WAIT), nullptr) << "the module has no cursors";

    CursorFrontEnd frontEnd;
    TvSetFrontEnd(&frontEnd);
    HCURSOR previous = SetCursor(wait);
    EXPECT_EQ(GetCursor(), wait);
    EXPECT_EQ(SetCursor(previous), wait);
    TvSetFrontEnd(nullptr);
    EXPECT_EQ(frontEnd.cursors, (std::vector<HCURSOR>{wait, previous}));
}

TEST(SystemParameters, GiveTheMessageFontFromWhichAPageMakesItsTitleFont) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
    EXPECT_LT(metrics.lfMessageFont.lfHeight, 0);
    EXPECT_NE(metrics.lfMessageFont.lfFaceName[0], L'\0');
    metrics.cbSize = 20;
    EXPECT_FALSE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 20, &metrics, 0)) << "a size no caller has";

    HDC dc = GetDC(nullptr);
    ASSERT_NE(dc, nullptr);
    int perInch = GetDeviceCaps(dc, LOGPIXELSY);
    EXPECT_EQ(perInch, 96);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 0) << "a released device context names nothing";

    LOGFONTW title = metrics.lfMessageFont;
    title.lfWeight = FW_BOLD;
    title.lfHeight = -(12 * perInch / 72);
    wcscpy(title.lfFaceName, L"Verdana Bold");
    HFONT font = CreateFontIndirectW(&title);
    LOGFONTW back{};
    ASSERT_EQ(GetObjectW(font, sizeof back, &back), static_cast<int>(sizeof back));
    EXPECT_EQ(back.lfHeight, -16);
    EXPECT_EQ(back.lfWeight, FW_BOLD);
    EXPECT_STREQ(back.lfFaceName, L"Verdana Bold");
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(font));
}

} // namespace
