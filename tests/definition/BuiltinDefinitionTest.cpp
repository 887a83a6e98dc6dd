// The built-in definition as the wizard loads it at start-up, and its fit with the demo's old
// suitcases that the build leaves in demo/installed.
#include "BuiltinResources.h"

#include "definition/ResourceRegistry.h"
#include "engine/FontUpdate.h"
#include "shell/AppInfo.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>

namespace fu {
namespace {

class BuiltinDefinition : public ::testing::Test {
protected:
    void SetUp() override {
        registerBuiltinResources();
        ASSERT_TRUE(info.setupUpdaterParam()) << "the built-in definition does not open with the "
                                                 "build's copyright string";
    }
    void TearDown() override { ResourceRegistry::removeResource("UpdaterParam_OS10_10", "fupdef"); }

    const UpdateSfntSetItem* setNamed(const std::string& name) const {
        for (const auto& set : info.updateSfntSetInfo->items)
            if (set->name == name) return set.get();
        return nullptr;
    }

    // The suitcases the build wrote from the old sample fonts.
    static std::filesystem::path installedFolder() {
        return std::filesystem::path(FU_DEMO_DIR) / "installed";
    }

    AppInfo info; // default copyright, as in the wizard
};

TEST_F(BuiltinDefinition, RegisteredBytesOpenAsACompleteDefinition) {
    EXPECT_FALSE(info.fupdefFail);
    ASSERT_TRUE(info.readMeText);
    ASSERT_TRUE(info.updateTargetInfo);
    ASSERT_TRUE(info.scriptInfo);
    ASSERT_TRUE(info.updateSfntSetInfo);
    EXPECT_EQ(info.updateSfntSetInfo->countOfUpdateSfntSetItem(), 2);
}

TEST_F(BuiltinDefinition, ReadMeIsJapaneseWithABoldHeading) {
    const std::string text = info.readMeText->plainText();
    EXPECT_EQ(info.readMeText->undecodable, 0u) << "every Shift_JIS pair decodes";
    EXPECT_TRUE(text.starts_with("フォントアップデータ デモ版について\n")) << text;
    EXPECT_NE(text.find("デモでは、コンピュータは再起動されません。"), std::string::npos);
    EXPECT_NE(text.find("ゴミ箱の「古いフォント項目」フォルダに移動されます。"), std::string::npos);
    ASSERT_FALSE(info.readMeText->paragraphs.empty());
    ASSERT_FALSE(info.readMeText->paragraphs.front().runs.empty());
    EXPECT_TRUE(info.readMeText->paragraphs.front().runs.front().bold);
    ASSERT_GE(info.readMeText->paragraphs.size(), 2u);
    EXPECT_FALSE(info.readMeText->paragraphs[1].runs.front().bold);
}

TEST_F(BuiltinDefinition, TargetsAnExplicitVersionAndAnAutomaticRaise) {
    ASSERT_EQ(info.updateTargetInfo->countOfUpdateTargetItem(), 2);
    const UpdateTargetItem* gothic = info.updateTargetInfo->updateTargetItemAtIndex(0);
    const UpdateTargetItem* mincho = info.updateTargetInfo->updateTargetItemAtIndex(1);
    ASSERT_TRUE(UpdateTargetItem::checkPropertys(gothic));
    ASSERT_TRUE(UpdateTargetItem::checkPropertys(mincho));
    using Texts = std::tuple<std::string, std::string, std::string, std::string>;
    auto texts = [](const UpdateTargetItem* target) {
        return Texts{target->resName, target->japanFullName, target->oVersStr, target->nVersStr};
    };
    EXPECT_EQ(texts(gothic), (Texts{"DemoGothic", "デモゴシック", "1.0.1", "1.0.2"}));
    EXPECT_EQ(texts(mincho), (Texts{"DemoMincho", "デモ明朝", "*", "*DEMO"}));
    // Every target has a set of the same name to take its tables from.
    EXPECT_TRUE(setNamed("DemoGothic"));
    EXPECT_TRUE(setNamed("DemoMincho"));
}

TEST_F(BuiltinDefinition, ScriptsRebuildTheCacheAndNeverRestart) {
    EXPECT_EQ(info.scriptInfo->scriptStringForKey("UserChacheRemove"), "/usr/bin/fc-cache -f");
    EXPECT_EQ(info.scriptInfo->scriptStringForKey("OSAATSChacheRemoveAuth"),
              "/usr/bin/fc-cache -f");
    const auto restart = info.scriptInfo->scriptStringForKey("ASRestartComputer");
    ASSERT_TRUE(restart);
    for (const char* word : {"reboot", "shutdown", "systemctl", "init ", "poweroff", "halt"})
        EXPECT_EQ(restart->find(word), std::string::npos) << word << " in " << *restart;
    EXPECT_NE(restart->find("再起動"), std::string::npos);
}

// Without a desktop notification service the demo's restart still has its say, in the words
// the wizard then shows.
TEST_F(BuiltinDefinition, TheRestartExplainsItselfWithoutANotificationService) {
    std::string said;
    {
        const test::ScopedEnvironment noBus{
            {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus"}};
        EXPECT_TRUE(FontUpdate::restartComputerWithScriptInfo(info.scriptInfo.get(), &said));
    }
    EXPECT_NE(said.find("デモ: ここでコンピュータが再起動されます"), std::string::npos) << said;
}

TEST_F(BuiltinDefinition, EachInstalledDemoSuitcaseNeedsExactlyItsOwnUpdate) {
    const std::filesystem::path folder = installedFolder();
    for (int64_t t = 0; t < info.updateTargetInfo->countOfUpdateTargetItem(); ++t) {
        const UpdateTargetItem* target = info.updateTargetInfo->updateTargetItemAtIndex(t);
        for (const auto& set : info.updateSfntSetInfo->items) {
            for (const char* file : {"DemoGothic", "DemoMincho"}) {
                const std::string path = (folder / file).string();
                ASSERT_TRUE(std::filesystem::exists(path)) << path;
                const bool own = target->resName == file && set->name == file;
                EXPECT_EQ(FontUpdate::updateNeedResName(*target, set->oSfntData.get(), path),
                          own ? 1 : 0)
                    << "target " << target->resName << ", set " << set->name << ", file " << file;
            }
        }
    }
}

TEST(BuiltinResources, DefinitionIsMissingUntilRegistered) {
    ResourceRegistry::removeResource("UpdaterParam_OS10_10", "fupdef");
    AppInfo info;
    EXPECT_FALSE(info.setupUpdaterParam());
    EXPECT_TRUE(info.fupdefFail);
    registerBuiltinResources();
    EXPECT_TRUE(info.setupUpdaterParam());
    EXPECT_FALSE(info.fupdefFail);
    ResourceRegistry::removeResource("UpdaterParam_OS10_10", "fupdef");
}

} // namespace
} // namespace fu
