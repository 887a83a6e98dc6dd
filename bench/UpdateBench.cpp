// The update of one large suitcase (build, verify, move to the Trash, move into place) against
// copying the same file with cp and comparing it with cmp, each in a child process so that its
// peak memory can be read. Resource data offsets are 24-bit and the writer refuses a record that
// would end past 16 MB, so the font is as large as a suitcase can be: 16.5 MB.
#include "BenchSupport.h"

#include "engine/UpdateManager.h"
#include "shell/AppInfo.h"
#include "support/DefinitionBuilder.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <unistd.h>

using namespace fu;
namespace fs = std::filesystem;

namespace {

class Outcome : public UpdateManagerDelegate {
public:
    void processProgress(const UpdateResult&) override {}
    void processComplete(const UpdateResult& result) override { status = result.status; }
    std::optional<OperationStatus> status;
};

int runProgram(const char* program, std::initializer_list<const char*> arguments) {
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const char* argument : arguments)
        argv.push_back(const_cast<char*>(argument));
    argv.push_back(nullptr);
    execv(program, argv.data());
    return 127;
}

} // namespace

int main() {
    const std::string root = bench::makeSandbox();
    const std::string fonts = root + "/home/.local/share/fonts";
    constexpr uint32_t kPad = 16'500'000;

    sample::SampleFontOptions oldOptions;
    oldOptions.version = "1.0.1";
    oldOptions.padBytes = kPad;
    sample::SampleFontOptions newOptions = oldOptions;
    newOptions.glyphCount = static_cast<uint16_t>(oldOptions.glyphCount + 3);
    Bytes oldFont = sample::makeTrueTypeFont(oldOptions);
    Bytes newFont = sample::makeTrueTypeFont(newOptions);
    sample::SampleSuitcaseOptions suitcase;
    suitcase.shortVersion = "1.0.1";
    const std::string installed = fonts + "/Large Gothic";
    if (ResStatus status = sample::writeSampleSuitcase(installed, oldFont, suitcase);
        status != ResStatus::resNoErr) {
        std::fprintf(stderr, "cannot write the large suitcase: %d\n", code(status));
        return 1;
    }

    DefinitionSources sources;
    auto text = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
    sources.readMe = text("{\\rtf1\\ansi Bench\\par}");
    sources.targets =
        text("SampleGothic\t" + oldOptions.japaneseName +
             "\t1.0.1\t*\t1.0.2\t2014/04/01 09:00:00\t2014/04/02 09:30:00\t2014/04/03 09:00:00\t"
             "2014/04/04 09:00:00\t*\n");
    sources.scripts = text("UserChacheRemove\t/bin/true\n");
    sources.sets.push_back({"Glyphs", oldFont, newFont});
    const Bytes definition = test::sealedDefinition(sources);
    // The children inherit this process; what it no longer needs must not count as theirs.
    sources = {};
    Bytes().swap(oldFont);
    Bytes().swap(newFont);

    // The fork lives in the companion; copy and compare that, it is where the bytes are.
    const std::string fork = fs::path(installed).parent_path() / "._Large Gothic";
    const std::string copy = root + "/copy";
    auto baseline = bench::inChild([&] {
        const auto cp = bench::inChild([&] {
            return runProgram("/bin/cp", {fork.c_str(), copy.c_str()});
        });
        const auto cmp = bench::inChild([&] {
            return runProgram("/usr/bin/cmp", {fork.c_str(), copy.c_str()});
        });
        return cp.status == 0 && cmp.status == 0 ? 0 : 1;
    });

    auto update = bench::inChild([&] {
        auto info = std::make_unique<AppInfo>();
        info->appCopyrightStr = test::kTestCopyright;
        if (!info->setupUpdaterParamWithEnData(definition)) return 2;
        info->setupUpdateManager();
        AppInfo& state = *info;
        Outcome outcome;
        state.updateManager->delegate = &outcome;
        state.updateManager->findUpdateNecessaryFont();
        state.setupUpdateManager();
        state.updateManager->delegate = &outcome;
        state.updateManager->exeUpdateRequestedFont();
        return outcome.status == UpdateStatus::StatusOK ? 0 : 3;
    });

    std::printf("suitcase fork: %.1f MB\n", double(fs::file_size(fork)) / 1e6);
    std::printf("cp + cmp: %.3f s (exit %d)\n", baseline.seconds, baseline.status);
    std::printf("update:   %.3f s (exit %d), peak memory %.1f MB\n", update.seconds, update.status,
                double(update.peakKilobytes) / 1024.0);
    std::printf("ratio:    %.2f\n", update.seconds / baseline.seconds);
    fs::remove_all(root);
    return baseline.status == 0 && update.status == 0 ? 0 : 1;
}
