// Skin images and drawing helpers: the PNG resources of the built executable, fonts, scaling.
#include "TestUtil.h"
#include "fw/WinApp.h"
#include "ui/controls/SkinImage.h"
#include "ui/frame/LayeredFrameDlg.h"

#include <gtest/gtest.h>

namespace {

struct PngSize {
    unsigned first;
    unsigned last;
    unsigned width;
    unsigned height;
};

const PngSize kPngSizes[] = {
    {138, 138, 410, 611}, {139, 139, 400, 600}, {140, 140, 48, 16},   {141, 144, 26, 34},
    {145, 145, 232, 132}, {146, 146, 204, 104}, {147, 150, 26, 34},   {151, 154, 266, 60},
    {155, 158, 58, 18},   {159, 159, 330, 150}, {160, 160, 320, 140}, {161, 163, 55, 24},
    {164, 166, 12, 12},   {167, 175, 55, 24},   {176, 176, 410, 479}, {177, 177, 400, 468},
    {178, 181, 12, 12},   {187, 190, 266, 60},  {191, 191, 541, 402}, {192, 195, 266, 60},
    {196, 199, 168, 47},  {200, 203, 136, 47},
};

// The resources of the built Kestrune.exe, for the duration of a test.
class ExeResources {
public:
    ExeResources()
    {
        std::wstring path = testutil::ExeFolder() + L"\\Kestrune.exe";
        m_module = LoadLibraryExW(path.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        if (m_module != nullptr)
            SetResourceModule(m_module);
    }
    ~ExeResources()
    {
        SetResourceModule(nullptr);
        if (m_module != nullptr)
            FreeLibrary(m_module);
    }
    bool Loaded() const { return m_module != nullptr; }

private:
    HMODULE m_module = nullptr;
};

LOGFONTW Describe(HFONT font)
{
    LOGFONTW description = {};
    GetObjectW(font, sizeof(description), &description);
    return description;
}

}  // namespace

TEST(PngResources, EveryIdOfTheBuiltExe_LoadsWithItsSize)
{
    ExeResources exe;
    ASSERT_TRUE(exe.Loaded());
    int count = 0;
    for (const PngSize& range : kPngSizes) {
        for (unsigned id = range.first; id <= range.last; ++id) {
            CImagePtr image;
            ASSERT_TRUE(LoadPngResource(image, id)) << id;
            ASSERT_TRUE(image) << id;
            EXPECT_EQ(Gdiplus::Ok, image->GetLastStatus()) << id;
            EXPECT_EQ(range.width, image->GetWidth()) << id;
            EXPECT_EQ(range.height, image->GetHeight()) << id;
            ++count;
        }
    }
    EXPECT_EQ(61, count);
}

TEST(PngResources, UnknownId_FalseAndPointerUnchanged)
{
    ExeResources exe;
    ASSERT_TRUE(exe.Loaded());
    CImagePtr image;
    ASSERT_TRUE(LoadPngResource(image, 140));
    Gdiplus::Image* before = image.get();
    for (unsigned id : {0u, 137u, 182u, 186u, 204u, 9999u}) {
        EXPECT_FALSE(LoadPngResource(image, id)) << id;
        EXPECT_EQ(before, image.get()) << id;
    }
    CImagePtr empty;
    EXPECT_FALSE(LoadPngResource(empty, 183));
    EXPECT_FALSE(empty);
}

TEST(PngResources, SameIdTwice_GivesTwoIndependentImages)
{
    ExeResources exe;
    CImagePtr first;
    CImagePtr second;
    ASSERT_TRUE(LoadPngResource(first, 140));
    ASSERT_TRUE(LoadPngResource(second, 140));
    EXPECT_NE(first.get(), second.get());
    first.reset();
    EXPECT_EQ(48u, second->GetWidth());
    Gdiplus::Bitmap target(48, 16, PixelFormat32bppARGB);
    Gdiplus::Graphics graphics(&target);
    EXPECT_EQ(Gdiplus::Ok, graphics.DrawImage(second.get(), 0, 0, 48, 16));
}

TEST(Scale, DpiToScale_OnlyAbove100Dpi)
{
    EXPECT_EQ(1.0f, ScaleFromDpi(96));
    EXPECT_EQ(1.0f, ScaleFromDpi(100));
    EXPECT_EQ(1.01f, ScaleFromDpi(101));
    EXPECT_EQ(1.2000000476837158, static_cast<double>(ScaleFromDpi(120)));
    EXPECT_EQ(1.44f, ScaleFromDpi(144));
    EXPECT_EQ(1.92f, ScaleFromDpi(192));
}

TEST(Scale, ProductsTruncateInDoublePrecision)
{
    EXPECT_EQ(20, ScaleTrunc(16, 1.25f));
    EXPECT_EQ(32, ScaleTrunc(26, 1.25f));  // 32.5
    const double s = ScaleFromDpi(120);
    // In float, 492 - 10s rounds up to 480; in double it truncates to the 479 of the layout.
    EXPECT_EQ(479, static_cast<int>(492 - 10 * s));
    EXPECT_EQ(719, static_cast<int>(733 - 11 * s));
    EXPECT_EQ(492, static_cast<int>(s * 410));
    EXPECT_EQ(733, static_cast<int>(s * 611));
    const double s144 = ScaleFromDpi(144);
    EXPECT_EQ(590, static_cast<int>(s144 * 410));
    EXPECT_EQ(879, static_cast<int>(s144 * 611));
    const double s192 = ScaleFromDpi(192);
    EXPECT_EQ(787, static_cast<int>(s192 * 410));
    EXPECT_EQ(1173, static_cast<int>(s192 * 611));
}

TEST(Fonts, CreateFontFromWindow_DeltaAndWeightOnlyWithANonZeroDelta)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    HFONT source = CreateFontW(-12, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(source), FALSE);

    CFont larger;
    ASSERT_TRUE(CreateFontFromWindow(window, 2, 700, larger));
    EXPECT_EQ(-14, Describe(larger.Get()).lfHeight);
    EXPECT_EQ(700, Describe(larger.Get()).lfWeight);

    CFont copy;
    ASSERT_TRUE(CreateFontFromWindow(window, 0, 700, copy));
    EXPECT_NE(source, copy.Get()) << "a copy, not the window's own font";
    EXPECT_EQ(-12, Describe(copy.Get()).lfHeight);
    EXPECT_EQ(400, Describe(copy.Get()).lfWeight);
    EXPECT_STREQ(L"Tahoma", Describe(copy.Get()).lfFaceName);

    CFont keepWeight;
    ASSERT_TRUE(CreateFontFromWindow(window, -1, 0, keepWeight));
    EXPECT_EQ(-11, Describe(keepWeight.Get()).lfHeight);
    EXPECT_EQ(400, Describe(keepWeight.Get()).lfWeight);

    DestroyWindow(window);
    DeleteObject(source);
}

TEST(Fonts, WindowWithoutFont_GetsTheStockGuiFont)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    CFont font;
    ASSERT_TRUE(CreateFontFromWindow(window, 0, 0, font));
    LOGFONTW expected = Describe(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    EXPECT_EQ(expected.lfHeight, Describe(font.Get()).lfHeight);
    EXPECT_STREQ(expected.lfFaceName, Describe(font.Get()).lfFaceName);
    DestroyWindow(window);
}

TEST(Fonts, MeasureTextWidth_MinusOneWithoutWindowOrDc_ElseTheExtentInTheDerivedFont)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    HFONT source = CreateFontW(-12, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(source), FALSE);
    CClientDC dc(window);
    EXPECT_EQ(-1, MeasureTextWidth(nullptr, dc.Get(), L"abc", 0, 0));
    EXPECT_EQ(-1, MeasureTextWidth(window, nullptr, L"abc", 0, 0));

    int plain = MeasureTextWidth(window, dc.Get(), L"反馈问题abc", 0, 0);
    int larger = MeasureTextWidth(window, dc.Get(), L"反馈问题abc", 6, 700);
    HFONT before = static_cast<HFONT>(GetCurrentObject(dc.Get(), OBJ_FONT));
    CFont reference;
    CreateFontFromWindow(window, 0, 0, reference);
    SIZE extent = {};
    {
        CSelectObject select(dc.Get(), reference.Get());
        GetTextExtentPoint32W(dc.Get(), L"反馈问题abc", 7, &extent);
    }
    EXPECT_GT(plain, 0);
    EXPECT_EQ(extent.cx, plain);
    EXPECT_GT(larger, plain);
    EXPECT_EQ(before, GetCurrentObject(dc.Get(), OBJ_FONT)) << "the previous font is selected back";
    DestroyWindow(window);
    DeleteObject(source);
}
