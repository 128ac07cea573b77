#include "ExecutableResources.h"
#include "TestFolder.h"
#include <gtest/gtest.h>
#include <set>

// Dialogs, strings, icons and the version record are marked Chinese (Simplified, PRC), each in
// that one language only; the manifest alone is marked English (United States).
TEST(ResourceLanguageTest, ChineseSimplifiedExceptTheEnglishManifest) {
    ExecutableResources exe(ProgramFolder() + L"Pelvaro.exe");
    ASSERT_TRUE(exe.Loaded());
    const LANGID chinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
    const LANGID english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    std::set<std::wstring> types;
    std::set<std::wstring> names;
    for (const auto& entry : exe.All()) {
        SCOPED_TRACE(Utf8(entry.type + L" " + entry.name));
        EXPECT_EQ(entry.language, entry.type == L"#24" ? english : chinese);
        EXPECT_TRUE(names.insert(entry.type + L"/" + entry.name).second) << "one language each";
        types.insert(entry.type);
    }
    // Dialogs, string table, icon images, icon group, version record, manifest.
    EXPECT_EQ(types, (std::set<std::wstring>{L"#5", L"#6", L"#3", L"#14", L"#16", L"#24"}));
}
