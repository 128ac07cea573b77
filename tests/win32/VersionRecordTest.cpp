#include "TestFolder.h"
#include <gtest/gtest.h>
#include <utility>
#include <vector>
#include <windows.h>

namespace {

// The version record's tree as stored: every node has a key, a value (text or binary) and
// children, each aligned to four bytes from the start of the record.
struct VersionNode {
    std::wstring key;
    bool text = false;
    std::wstring textValue;
    std::vector<VersionNode> children;
};

bool ReadNode(const BYTE* data, size_t size, size_t start, VersionNode& node, size_t& end) {
    auto word = [&](size_t at) { return static_cast<size_t>(data[at] | (data[at + 1] << 8)); };
    if (start + 6 > size) {
        return false;
    }
    const size_t length = word(start);
    const size_t valueLength = word(start + 2);
    node.text = word(start + 4) == 1;
    end = start + length;
    if (length < 6 || end > size) {
        return false;
    }
    size_t at = start + 6;
    for (; at + 1 < end && word(at) != 0; at += 2) {
        node.key.push_back(static_cast<wchar_t>(word(at)));
    }
    at = (at + 2 + 3) & ~size_t{3};
    // A text value's length counts UTF-16 units (with its terminator), a binary one bytes.
    const size_t valueBytes = node.text ? valueLength * 2 : valueLength;
    if (node.text) {
        for (size_t i = 0; i + 1 < valueBytes && word(at + i) != 0; i += 2) {
            node.textValue.push_back(static_cast<wchar_t>(word(at + i)));
        }
    }
    at = (at + valueBytes + 3) & ~size_t{3};
    while (at < end) {
        VersionNode child;
        size_t childEnd = 0;
        if (!ReadNode(data, size, at, child, childEnd)) {
            return false;
        }
        node.children.push_back(std::move(child));
        at = (childEnd + 3) & ~size_t{3};
    }
    return true;
}

class VersionRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring exe = ProgramFolder() + L"Pelvaro.exe";
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
        ASSERT_GT(size, 0u) << "the executable has a version record";
        m_data.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, m_data.data()));
    }

    bool Query(const std::wstring& path, void*& value, UINT& length) {
        return VerQueryValueW(m_data.data(), path.c_str(), &value, &length) != 0;
    }

    std::wstring Text(const wchar_t* key) {
        void* value = nullptr;
        UINT length = 0;
        if (!Query(std::wstring(L"\\StringFileInfo\\080404b0\\") + key, value, length)) {
            return L"<missing>";
        }
        return std::wstring(static_cast<const wchar_t*>(value));
    }

    std::vector<BYTE> m_data;
};

const std::pair<const wchar_t*, const wchar_t*> kStrings[] = {
    {L"CompanyName", L"TODO: <公司名>"},
    {L"FileDescription", L"Pelvaro"},
    {L"FileVersion", L"1.0.0.1"},
    {L"InternalName", L"Pelvaro.exe"},
    {L"LegalCopyright", L"版权所有 (C) 2022。保留所有权利。"},
    {L"OriginalFilename", L"Pelvaro.exe"},
    {L"ProductName", L"TODO: <产品名>"},
    {L"ProductVersion", L"1.0.0.1"},
};

} // namespace

TEST_F(VersionRecordTest, FixedPart) {
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(Query(L"\\", value, length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u) << "1.0";
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u) << "0.1";
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, 0x00040004u);
    EXPECT_EQ(fixed->dwFileType, 1u);
    EXPECT_EQ(fixed->dwFileSubtype, 0u);
    EXPECT_EQ(fixed->dwFileDateMS, 0u);
    EXPECT_EQ(fixed->dwFileDateLS, 0u);
}

TEST_F(VersionRecordTest, EveryStringReadsBackExactly) {
    for (const auto& [key, want] : kStrings) {
        EXPECT_EQ(Text(key), want) << Utf8(key);
    }
}

TEST_F(VersionRecordTest, CopyrightIsOneLinePlaceholderWithoutAName) {
    const std::wstring copyright = Text(L"LegalCopyright");
    EXPECT_EQ(copyright.find_first_of(L"\r\n"), std::wstring::npos);
    for (const wchar_t* name : {L"Pelvaro", L"TODO", L"<"}) {
        EXPECT_EQ(copyright.find(name), std::wstring::npos) << Utf8(name);
    }
}

TEST_F(VersionRecordTest, OneStringTableWithTheKeysInOrder) {
    VersionNode root;
    size_t end = 0;
    const auto* raw = reinterpret_cast<const BYTE*>(m_data.data());
    const size_t recordSize = raw[0] | (raw[1] << 8);
    ASSERT_TRUE(ReadNode(raw, recordSize, 0, root, end));
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");
    ASSERT_EQ(root.children.size(), 2u);
    const auto& strings = root.children[0];
    EXPECT_EQ(strings.key, L"StringFileInfo");
    ASSERT_EQ(strings.children.size(), 1u) << "one string table";
    const auto& table = strings.children[0];
    EXPECT_EQ(table.key, L"080404b0");
    ASSERT_EQ(table.children.size(), std::size(kStrings));
    for (size_t i = 0; i < std::size(kStrings); ++i) {
        SCOPED_TRACE(testing::Message() << "string #" << i + 1);
        EXPECT_EQ(table.children[i].key, kStrings[i].first);
        EXPECT_TRUE(table.children[i].text) << "stored as UTF-16 text";
        EXPECT_EQ(table.children[i].textValue, kStrings[i].second);
    }
    EXPECT_EQ(root.children[1].key, L"VarFileInfo");
}

TEST_F(VersionRecordTest, TranslationIsChineseSimplifiedUnicode) {
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(Query(L"\\VarFileInfo\\Translation", value, length));
    ASSERT_EQ(length, 4u) << "exactly one entry";
    const auto* entry = static_cast<const WORD*>(value);
    EXPECT_EQ(entry[0], 0x0804);
    EXPECT_EQ(entry[1], 0x04B0);
}
