// config.ini in odd shapes and paths with awkward characters, against the real program. The
// file is read afresh on every press, so one running program meets several shapes in turn.
#include "ScreenPixels.h"
#include "StressSupport.h"
#include <gtest/gtest.h>

using namespace stress;

namespace {

const char kTools[] = "[nrfutil dfu]\npause 100\nout \"Device programmed.\\r\\n\"\n"
                      "[nrfjprog]\nout \"Done.\\r\\n\"\n";

std::wstring MissingFileText(const std::wstring& value) {
    return L"The configured " + value +
           L" file does not exist. Please confirm the configuration file again.";
}

// Waits for the program's box about a configured file, checks it and closes it.
void ExpectMissingFileBox(const AppUnderTest& app, HWND dialog, const std::wstring& value) {
    HWND box = app.WaitForMessageBox();
    ASSERT_NE(box, nullptr) << "no message for " << Utf8(value.substr(0, 40));
    EXPECT_EQ(WindowText(box), L"Pelvaro");
    EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)), MissingFileText(value));
    EXPECT_EQ(GetWindow(box, GW_OWNER), dialog);
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(box); }, 10000));
}

// Bytes that follow no text rule: NULs, stray line ends, high bytes, no section header.
std::string Garbage(size_t size) {
    std::string bytes;
    unsigned state = 12345;
    while (bytes.size() < size) {
        state = state * 1103515245u + 12345u;
        const char c = static_cast<char>((state >> 16) & 0xFF);
        bytes += c == '[' ? '\0' : c;
    }
    bytes[0] = 'G'; // not a byte-order mark
    return bytes;
}

// config.ini in the given encoding names a package and an image that exist: the USB upgrade and
// the J-Link run of the remote succeed, each tool gets its file's full path as one argument, and
// nothing else starts.
void ExpectBothWaysGetTheirFile(const TestFolder& folder,
                                std::string (*encode)(const std::wstring&),
                                const std::wstring& package, const std::wstring& image) {
    StandInSession tools(kTools);
    ToolReaper reaper(tools);
    auto port = Bootloader(L"STRESSPATHS", L"COM7");
    folder.WriteFile(L"config.ini",
                     encode(L"[Remote]\r\nzip=" + package + L"\r\nhex=" + image + L"\r\n"));
    folder.WriteFile(package, "PK\x03\x04");
    folder.WriteFile(image, ":00000001FF\r\n");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog, kUpgradeRemote);
    ASSERT_TRUE(LogContains(dialog, L"Upgrade succeeded.", 20000)) << Utf8(Text(dialog, kLog));
    Press(dialog, kJLinkRemote);
    // The USB run left its own "success": the J-Link press clears it before its first step.
    ASSERT_TRUE(WaitUntil([&] { return tools.Records().size() == 4; }, 20000));
    ASSERT_TRUE(ResultShows(GetDlgItem(dialog, kResult), L"success", kResultGreen))
        << Utf8(Text(dialog, kLog));

    const auto records = tools.Records();
    ASSERT_EQ(records.size(), 4u) << "one DFU run and three J-Link steps, nothing more";
    EXPECT_EQ(records[0].args,
              (std::vector<std::wstring>{L"dfu", L"serial", L"-pkg", folder.Path() + package, L"-p",
                                         L"COM7"}));
    EXPECT_EQ(records[2].args, (std::vector<std::wstring>{L"--family", L"NRF52", L"--program",
                                                          folder.Path() + image, L"--verify"}));
    EXPECT_EQ(app.WaitForMessageBox(300), nullptr);
}

class StressConfigTest : public ::testing::Test {
protected:
    TestFolder folder;
};

} // namespace

TEST_F(StressConfigTest, EmptyAndGarbageFilesNameNothingAndEveryPressSaysSo) {
    StandInSession tools(kTools);
    ToolReaper reaper(tools);
    auto port = Bootloader(L"STRESSCONFIG", L"COM7");
    folder.WriteFile(L"config.ini", Garbage(64 * 1024));
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr) << "the window opens whatever the file holds";

    for (const std::string& content : {Garbage(64 * 1024), std::string()}) {
        folder.WriteFile(L"config.ini", content);
        Press(dialog, kUpgradeRemote);
        ExpectMissingFileBox(app, dialog, L"");
        Press(dialog, kJLinkTablet);
        ExpectMissingFileBox(app, dialog, L"");
        EXPECT_TRUE(Responsive(dialog, kAnswerBoundMs));
    }
    EXPECT_EQ(Text(dialog, kLog), L"");
    EXPECT_EQ(Text(dialog, kResult), L"");
    EXPECT_TRUE(tools.Records().empty()) << "no tool runs without a configured file";
}

TEST_F(StressConfigTest, Utf16FileWithBlanksAmpersandsAndNonAsciiReachesTheToolsAsOneArgument) {
    // Were the line cut at an ampersand, cmd would start the stand-in nrfjprog a second time.
    ExpectBothWaysGetTheirFile(folder, Utf16File,
                               L"fw dir\\R&D & nrfjprog --reset\\Überprüft (v2); 固件=ok.zip",
                               L"fw dir\\R&D & nrfjprog --reset\\Ünïcødé, 固件 ^1.hex");
}

TEST_F(StressConfigTest, Utf8FileWithoutMarkNamesFilesBelowAChineseFolder) {
    // What Notepad saves; read in the ANSI code page these paths would name nothing.
    ExpectBothWaysGetTheirFile(folder, Utf8, L"固件\\遥控器 v2.zip", L"固件\\遥控器.hex");
}

// Run by the ctest e2e.cp936 alone: under Wine a program has the ANSI code page of the one that
// started it, and the first takes it from its locale (LC_ALL=zh_CN.UTF-8 gives code page 936).
TEST_F(StressConfigTest, CodePage936AnsiFileNamesFilesBelowItsChineseFolderThoughItIsUtf8Too) {
    ASSERT_EQ(GetACP(), 936u) << "needs LC_ALL=zh_CN.UTF-8, generated by cmake/install-deps.sh";
    const auto ansi = [](const std::wstring& text) {
        std::string bytes(text.size() * 2, '\0');
        bytes.resize(WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                         nullptr));
        return bytes;
    };
    // As an editor saves ANSI: 平台 is C6 BD CC A8, which is well-formed UTF-8 too.
    ASSERT_EQ(ansi(L"平台"), "\xC6\xBD\xCC\xA8");
    ExpectBothWaysGetTheirFile(folder, ansi, L"平台\\remote_dfu.zip", L"平台\\remote.hex");
}

TEST_F(StressConfigTest, TenThousandLinesAndLongValuesAreReadAsTheSystemReaderCutsThem) {
    StandInSession tools(kTools);
    ToolReaper reaper(tools);
    auto port = Bootloader(L"STRESSLONG", L"COM7");
    // 9,996 lines of other sections and keys, some with 5,000-character values, then the
    // remote's section at the very end.
    std::string lines;
    for (int i = 0; i < 9996; ++i) {
        if (i % 100 == 0) {
            lines += "[Filler" + std::to_string(i) + "]\r\n";
        } else if (i % 1000 == 1) {
            lines += "zip=" + std::string(5000, 'f') + "\r\n";
        } else {
            lines += "key" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
        }
    }
    folder.WriteFile(L"config.ini",
                     lines + "[Remote]\r\nzip=remote.zip\r\nhex=remote.hex\r\n[Tablet]\r\n");
    folder.WriteFile(L"remote.zip", "PK\x03\x04");
    folder.WriteFile(L"remote.hex", ":00000001FF\r\n");
    AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    ASSERT_NE(dialog, nullptr);

    Press(dialog, kUpgradeRemote);
    ASSERT_TRUE(LogContains(dialog, L"Upgrade succeeded.", 20000)) << Utf8(Text(dialog, kLog));
    ASSERT_TRUE(WaitForRecords(tools, 1, 5000));
    EXPECT_EQ(tools.Records()[0].args.at(3), folder.Path() + L"remote.zip");

    // Values of 5,000 characters: only their first 259 count, in the check and the message.
    const std::string longZip = std::string(5000, 'z');
    const std::string longHex = std::string(5000, 'h');
    folder.WriteFile(L"config.ini", lines + "[Remote]\r\nzip=" + longZip + "\r\nhex=" + longHex +
                                        "\r\n[Tablet]\r\n");
    Press(dialog, kUpgradeRemote);
    ExpectMissingFileBox(app, dialog, std::wstring(259, L'z'));
    Press(dialog, kJLinkRemote);
    ExpectMissingFileBox(app, dialog, std::wstring(259, L'h'));
    EXPECT_TRUE(Responsive(dialog, kAnswerBoundMs));
    EXPECT_EQ(tools.Records().size(), 1u) << "no tool runs for a value that names nothing";
    EXPECT_EQ(Text(dialog, kLog), L"Upgrading...\r\nUpgrade succeeded.\r\n");
}
