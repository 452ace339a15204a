// Skin images and fonts: the PNG resources of the built executable, fonts derived from a window's.
#include "TestUtil.h"
#include "fw/WinApp.h"
#include "ui/controls/SkinImage.h"

#include <gtest/gtest.h>

namespace {

// Ids first to last, each width x height.
const struct {
    unsigned first, last, width, height;
} kPngSizes[] = {
    {138, 138, 410, 611}, {139, 139, 400, 600}, {140, 140, 48, 16},   {141, 144, 26, 34},
    {145, 145, 232, 132}, {146, 146, 204, 104}, {147, 150, 26, 34},   {151, 154, 266, 60},
    {155, 158, 58, 18},   {159, 159, 330, 150}, {160, 160, 320, 140}, {161, 163, 55, 24},
    {164, 166, 12, 12},   {167, 175, 55, 24},   {176, 176, 410, 479}, {177, 177, 400, 468},
    {178, 181, 12, 12},   {187, 190, 266, 60},  {191, 191, 541, 402}, {192, 195, 266, 60},
    {196, 199, 168, 47},  {200, 203, 136, 47},
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
    // The resources of the built Kestrune.exe.
    std::wstring path = testutil::ExeFolder() + L"\\Kestrune.exe";
    HMODULE exe = LoadLibraryExW(path.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(nullptr, exe);
    SetResourceModule(exe);
    int count = 0;
    for (const auto& range : kPngSizes) {
        for (unsigned id = range.first; id <= range.last; ++id, ++count) {
            CImagePtr image;
            ASSERT_TRUE(LoadPngResource(image, id)) << id;
            EXPECT_EQ(range.width, image->GetWidth()) << id;
            EXPECT_EQ(range.height, image->GetHeight()) << id;
        }
    }
    EXPECT_EQ(61, count);
    SetResourceModule(nullptr);
    FreeLibrary(exe);
}

TEST(Fonts, DerivedFromTheWindowsFont_DeltaAndWeight_StockFontWithoutOne)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    CFont stock;
    ASSERT_TRUE(CreateFontFromWindow(window, 0, 0, stock));
    LOGFONTW gui = Describe(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    EXPECT_EQ(gui.lfHeight, Describe(stock.Get()).lfHeight) << "a window without a font";
    EXPECT_STREQ(gui.lfFaceName, Describe(stock.Get()).lfFaceName);

    HFONT source = CreateFontW(-12, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(source), FALSE);
    const struct {
        int delta, weight, height, expectedWeight;
    } cases[] = {{2, 700, -14, 700}, {0, 700, -12, 400}, {-1, 0, -11, 400}};
    for (const auto& c : cases) {
        CFont font;
        ASSERT_TRUE(CreateFontFromWindow(window, c.delta, c.weight, font));
        EXPECT_NE(source, font.Get()) << "a copy, not the window's own font";
        EXPECT_EQ(c.height, Describe(font.Get()).lfHeight) << c.delta;
        EXPECT_EQ(c.expectedWeight, Describe(font.Get()).lfWeight) << "weight only with a delta";
        EXPECT_STREQ(L"Tahoma", Describe(font.Get()).lfFaceName);
    }

    DestroyWindow(window);
    DeleteObject(source);
}
