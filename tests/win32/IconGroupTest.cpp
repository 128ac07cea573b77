#include "ExecutableResources.h"
#include "ScreenPixels.h"
#include "TestFolder.h"
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

#pragma pack(push, 2)
struct GroupHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct GroupEntry {
    BYTE width;
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

class IconGroupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(exe.Loaded());
        group = exe.Bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(128));
        ASSERT_GE(group.size(), sizeof(GroupHeader));
        header = reinterpret_cast<const GroupHeader*>(group.data());
        ASSERT_EQ(group.size(), sizeof(GroupHeader) + header->count * sizeof(GroupEntry));
    }
    const GroupEntry& Entry(size_t i) const {
        return reinterpret_cast<const GroupEntry*>(group.data() + sizeof(GroupHeader))[i];
    }
    // 0 in a directory's width or height byte stands for 256.
    static int Pixels(BYTE value) { return value == 0 ? 256 : value; }
    static DWORD BigEndian(const std::string& bytes, size_t at) {
        DWORD value = 0;
        for (size_t i = 0; i < 4; ++i) {
            value = value << 8 | static_cast<BYTE>(bytes[at + i]);
        }
        return value;
    }

    ExecutableResources exe{ProgramFolder() + L"Pelvaro.exe"};
    std::string group;
    const GroupHeader* header = nullptr;
};

} // namespace

TEST_F(IconGroupTest, FiveSquareSizesAtThirtyTwoBits) {
    EXPECT_EQ(header->reserved, 0);
    EXPECT_EQ(header->type, 1) << "icons, not cursors";
    ASSERT_EQ(header->count, 5);
    std::multiset<int> sizes;
    for (size_t i = 0; i < header->count; ++i) {
        const auto& e = Entry(i);
        SCOPED_TRACE(testing::Message() << "entry " << i << ", " << int{e.width} << " px");
        EXPECT_EQ(e.width, e.height);
        EXPECT_EQ(e.planes, 1);
        EXPECT_EQ(e.bitCount, 32);
        EXPECT_EQ(e.colours, 0);
        sizes.insert(Pixels(e.width));
    }
    EXPECT_EQ(sizes, (std::multiset<int>{16, 32, 48, 64, 128}));
}

// The small images are DIBs, the larger ones PNG (which a DIB of their size would outweigh many
// times over); either way 32 bits a pixel at the size the directory gives.
TEST_F(IconGroupTest, EveryImageIsStoredAtItsSizeWithThirtyTwoBits) {
    for (size_t i = 0; i < header->count; ++i) {
        const auto& e = Entry(i);
        const int size = Pixels(e.width);
        SCOPED_TRACE(testing::Message() << size << " px");
        const std::string image = exe.Bytes(RT_ICON, MAKEINTRESOURCEW(e.id));
        ASSERT_EQ(image.size(), e.bytes);
        if (size >= 48) {
            // Signature, then the IHDR chunk: width, height, bit depth 8, colour type 6 (RGBA).
            ASSERT_GE(image.size(), 33u);
            EXPECT_EQ(image.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
            EXPECT_EQ(image.substr(12, 4), "IHDR");
            EXPECT_EQ(BigEndian(image, 16), static_cast<DWORD>(size));
            EXPECT_EQ(BigEndian(image, 20), static_cast<DWORD>(size));
            EXPECT_EQ(image[24], 8);
            EXPECT_EQ(image[25], 6);
            continue;
        }
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
        const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
        EXPECT_EQ(info->biWidth, size);
        EXPECT_EQ(info->biHeight, 2 * size) << "colour and mask";
        EXPECT_EQ(info->biBitCount, 32);
        EXPECT_EQ(info->biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_GE(image.size(), info->biSize + static_cast<size_t>(size) * size * 4);
    }
}

TEST_F(IconGroupTest, SystemPicksTheImageOfEachSizeAndLoadsIt) {
    for (int size : {16, 32, 48, 64, 128}) {
        SCOPED_TRACE(testing::Message() << size << " px");
        const int id = LookupIconIdFromDirectoryEx(reinterpret_cast<BYTE*>(group.data()), TRUE,
                                                   size, size, LR_DEFAULTCOLOR);
        ASSERT_NE(id, 0);
        bool matches = false;
        for (size_t i = 0; i < header->count; ++i) {
            matches = matches || (Entry(i).id == id && Pixels(Entry(i).width) == size);
        }
        EXPECT_TRUE(matches) << "the image of exactly that size";

        auto* icon = static_cast<HICON>(
            LoadImageW(exe.Module(), MAKEINTRESOURCEW(128), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour = {};
        EXPECT_NE(info.hbmColor, nullptr) << "a colour icon";
        GetObjectW(info.hbmColor, sizeof(colour), &colour);
        EXPECT_EQ(colour.bmWidth, size);
        EXPECT_EQ(colour.bmHeight, size);
        // The alpha channel came through the loader: clear around the artwork, solid inside,
        // smooth edges.
        const std::vector<RGBQUAD> pixels = BitmapPixels(info.hbmColor, size, size);
        EXPECT_EQ(pixels.size(), static_cast<size_t>(size) * size);
        size_t clear = 0, solid = 0, partial = 0;
        for (const auto& p : pixels) {
            clear += p.rgbReserved == 0;
            solid += p.rgbReserved == 255;
            partial += p.rgbReserved != 0 && p.rgbReserved != 255;
        }
        EXPECT_GT(clear, 0u);
        EXPECT_GT(solid, pixels.size() / 4);
        if (size >= 32) {
            EXPECT_GT(partial, 0u);
        }
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}
