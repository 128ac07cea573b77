#include "ExecutableResources.h"
#include "TestFolder.h"
#include <gtest/gtest.h>
#include <map>
#include <regex>

namespace {

const std::wstring kExe = ProgramFolder() + L"Pelvaro.exe";

std::string Manifest() {
    ExecutableResources exe(kExe);
    EXPECT_TRUE(exe.Loaded());
    return exe.Bytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
}

// The attributes of the first element of that name, as written.
std::map<std::string, std::string> Attributes(const std::string& xml, const std::string& element) {
    std::map<std::string, std::string> attributes;
    std::smatch tag;
    if (!std::regex_search(xml, tag, std::regex("<" + element + "\\b([^>]*)>"))) {
        return attributes;
    }
    const std::string inside = tag[1];
    const std::regex attribute("([A-Za-z_:][-A-Za-z0-9_:.]*)\\s*=\\s*\"([^\"]*)\"");
    for (std::sregex_iterator i(inside.begin(), inside.end(), attribute), end; i != end; ++i) {
        attributes[(*i)[1]] = (*i)[2];
    }
    return attributes;
}

// The program's manifest as the system's activation-context loader reads it.
class ActivationContext {
public:
    ActivationContext() {
        ACTCTXW context = {};
        context.cbSize = sizeof(context);
        context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        context.lpSource = kExe.c_str();
        context.lpResourceName = MAKEINTRESOURCEW(1);
        m_handle = CreateActCtxW(&context);
    }
    ~ActivationContext() {
        if (m_handle != INVALID_HANDLE_VALUE) {
            ReleaseActCtx(m_handle);
        }
    }
    ActivationContext(const ActivationContext&) = delete;
    ActivationContext& operator=(const ActivationContext&) = delete;
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle;
};

} // namespace

TEST(ManifestTest, EmbeddedOnceAsTheProcessManifestInEnglish) {
    ExecutableResources exe(kExe);
    ASSERT_TRUE(exe.Loaded());
    std::vector<ExecutableResources::Entry> manifests;
    for (const auto& entry : exe.All()) {
        if (entry.type == L"#24") {
            manifests.push_back(entry);
        }
    }
    ASSERT_EQ(manifests.size(), 1u);
    EXPECT_EQ(manifests[0].name, L"#1") << "the manifest the loader applies to the process";
    EXPECT_EQ(manifests[0].language, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
}

TEST(ManifestTest, NamesCommonControlsSixForThisArchitecture) {
    const auto identity = Attributes(Manifest(), "assemblyIdentity");
    EXPECT_EQ(identity.count("name") ? identity.at("name") : "",
              "Microsoft.Windows.Common-Controls");
    EXPECT_EQ(identity.count("version") ? identity.at("version") : "", "6.0.0.0");
    EXPECT_EQ(identity.count("type") ? identity.at("type") : "", "win32");
    EXPECT_EQ(identity.count("publicKeyToken") ? identity.at("publicKeyToken") : "",
              "6595b64144ccf1df");
    // This test program is built for the same architecture as the program under test.
    EXPECT_EQ(identity.count("processorArchitecture") ? identity.at("processorArchitecture") : "",
              sizeof(void*) == 8 ? "amd64" : "x86");
}

TEST(ManifestTest, RunsAsInvokerWithoutUiAccess) {
    const auto level = Attributes(Manifest(), "requestedExecutionLevel");
    EXPECT_EQ(level.count("level") ? level.at("level") : "", "asInvoker");
    EXPECT_EQ(level.count("uiAccess") ? level.at("uiAccess") : "", "false");

    ActivationContext context;
    ASSERT_NE(context.get(), INVALID_HANDLE_VALUE) << "the system accepts the manifest";
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel = {};
    ASSERT_TRUE(QueryActCtxW(0, context.get(), nullptr, RunlevelInformationInActivationContext,
                             &runLevel, sizeof(runLevel), nullptr));
    EXPECT_EQ(runLevel.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_EQ(runLevel.UiAccess, 0u);
}

TEST(ManifestTest, DeclaresTheProcessDpiAware) {
    std::smatch setting;
    const std::string manifest = Manifest();
    ASSERT_TRUE(std::regex_search(manifest, setting,
                                  std::regex("<dpiAware\\b[^>]*>\\s*([^<]*?)\\s*</dpiAware>")));
    EXPECT_EQ(setting[1], "true");
    EXPECT_EQ(Attributes(manifest, "dpiAware")["xmlns"],
              "http://schemas.microsoft.com/SMI/2005/WindowsSettings");

    ActivationContext context;
    ASSERT_NE(context.get(), INVALID_HANDLE_VALUE);
    wchar_t value[16] = {};
    SIZE_T written = 0;
    ASSERT_TRUE(QueryActCtxSettingsW(0, context.get(),
                                     L"http://schemas.microsoft.com/SMI/2005/WindowsSettings",
                                     L"dpiAware", value, std::size(value), &written));
    EXPECT_STREQ(value, L"true");
}
