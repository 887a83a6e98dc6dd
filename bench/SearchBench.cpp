// The font search over a large Fonts tree against a plain walk that opens every file and reads
// its first 16 bytes. 10,000 files: 20 suitcases that need the update, 200 suitcases that do
// not, the rest ordinary font files; 4 targets and 2 sets.
#include "BenchSupport.h"

#include "engine/UpdateManager.h"
#include "shell/AppDelegate.h"
#include "shell/AppInfo.h"
#include "support/DefinitionBuilder.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace fu;
namespace fs = std::filesystem;

namespace {

class Quiet : public UpdateManagerDelegate {
public:
    void processProgress(const UpdateResult&) override {}
    void processComplete(const UpdateResult& result) override { found = result.count; }
    int64_t found = -1;
};

size_t plainWalk(const std::string& root) {
    size_t files = 0;
    char header[16];
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        in.read(header, sizeof header);
        ++files;
    }
    return files;
}

} // namespace

int main() {
    const std::string root = bench::makeSandbox();
    const std::string fonts = root + "/home/.local/share/fonts";

    // Built like the tests' sample: one target that matches, three that name other fonts.
    sample::SampleFontOptions oldOptions;
    oldOptions.version = "1.0.1";
    sample::SampleFontOptions newOptions = oldOptions;
    newOptions.glyphCount = static_cast<uint16_t>(oldOptions.glyphCount + 3);
    const Bytes oldFont = sample::makeTrueTypeFont(oldOptions);
    const Bytes newFont = sample::makeTrueTypeFont(newOptions);
    DefinitionSources sources;
    auto text = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
    sources.readMe = text("{\\rtf1\\ansi Bench\\par}");
    std::string targets;
    for (const char* name : {"SampleGothic", "OtherMincho", "ThirdMaru", "FourthKaku"})
        targets += std::string(name) + "\t" + oldOptions.japaneseName +
                   "\t1.0.1\t*\t1.0.2\t2014/04/01 09:00:00\t2014/04/02 09:30:00\t2014/04/03 09:00:00\t"
                   "2014/04/04 09:00:00\t*\n";
    sources.targets = text(targets);
    sources.scripts = text("UserChacheRemove\t/bin/true\n");
    sources.sets.push_back({"Glyphs", oldFont, newFont});
    sources.sets.push_back({"Glyphs again", oldFont, newFont});

    // The tree: 50 folders of 200 files.
    sample::SampleSuitcaseOptions needs;
    needs.shortVersion = "1.0.1";
    sample::SampleSuitcaseOptions current;
    current.shortVersion = "1.0.2";
    size_t made = 0;
    for (int folder = 0; folder < 50; ++folder) {
        const std::string dir = fonts + "/Family " + std::to_string(folder);
        fs::create_directories(dir);
        for (int i = 0; i < 200; ++i, ++made) {
            const std::string path = dir + "/Font " + std::to_string(i);
            if (made % 500 == 0)
                (void)sample::writeSampleSuitcase(path, oldFont, needs);
            else if (made % 50 == 1)
                (void)sample::writeSampleSuitcase(path, oldFont, current);
            else
                std::ofstream(path + ".ttf", std::ios::binary).write(reinterpret_cast<const char*>(oldFont.data()),
                                                                    std::streamsize(oldFont.size()));
        }
    }

    auto info = std::make_unique<AppInfo>();
    info->appCopyrightStr = test::kTestCopyright;
    if (!info->setupUpdaterParamWithEnData(test::sealedDefinition(sources))) return 1;
    info->setupUpdateManager();
    AppDelegate::setAppInfo(std::move(info));
    AppInfo& state = *AppDelegate::appInfo();

    // Warm the page cache so that both sides read from memory.
    plainWalk(fonts);
    size_t walked = 0;
    const double walk = bench::seconds([&] { walked = plainWalk(fonts); });
    Quiet quiet;
    state.updateManager->delegate = &quiet;
    const double search = bench::seconds([&] { state.updateManager->findUpdateNecessaryFont(); });

    std::printf("files: %zu (plain walk saw %zu)\n", made, walked);
    std::printf("fonts found: %lld (expected 40: 20 suitcases x 2 sets)\n", static_cast<long long>(quiet.found));
    std::printf("plain walk: %.3f s\nsearch:     %.3f s\nratio:      %.2f\n", walk, search, search / walk);
    fs::remove_all(root);
    return quiet.found == 40 ? 0 : 1;
}
