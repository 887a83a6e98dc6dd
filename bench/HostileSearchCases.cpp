// Each case runs in a child of its own, so that its peak resident memory is its own.
#include "HostileSearchCases.h"

#include "BenchSupport.h"

#include "definition/DefinitionLimits.h"
#include "engine/UpdateManager.h"
#include "shell/AppInfo.h"
#include "support/DefinitionBuilder.h"
#include "support/HostileSearch.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace fu::bench {

namespace {

class Quiet : public UpdateManagerDelegate {
public:
    void processProgress(const UpdateResult&) override {}
    void processComplete(const UpdateResult& result) override { found = result.count; }
    int64_t found = -1;
};

// The sample font at 1.0.1, as the sample suitcase holds it, and a definition raising it.
struct Sample {
    Bytes oldFont;
    DefinitionSources sources;
};

Sample makeSample() {
    sample::SampleFontOptions old;
    old.version = "1.0.1";
    sample::SampleFontOptions next = old;
    next.version = "1.0.2";
    next.glyphCount += 4;
    Sample made{sample::makeTrueTypeFont(old), {}};
    const std::string line = "SampleGothic\t" + old.japaneseName +
                             "\t1.0.1\t*\t1.0.2\t2014/04/01 09:00:00\t2014/04/02 09:30:00\t"
                             "2014/04/03 09:00:00\t2014/04/04 09:00:00\t*\n";
    made.sources = test::sampleDefinitionSources();
    made.sources.targets.assign(line.begin(), line.end());
    made.sources.sets = {{"Glyphs", made.oldFont, sample::makeTrueTypeFont(next)}};
    return made;
}

// Loads the definition and searches the user's Fonts folder in a child; the found count must be
// `expected`.
ChildRun searchInChild(const DefinitionSources& sources, int64_t expected) {
    return inChild([&sources, expected] {
        auto info = std::make_unique<AppInfo>();
        info->appCopyrightStr = test::kTestCopyright;
        if (!info->setupUpdaterParamWithEnData(test::sealedDefinition(sources))) return 2;
        info->setupUpdateManager();
        Quiet quiet;
        info->updateManager->delegate = &quiet;
        info->updateManager->findUpdateNecessaryFont();
        return quiet.found == expected ? 0 : 1;
    });
}

void print(const char* what, const ChildRun& run) {
    std::printf("%-52s %8.3f s %8ld KB peak RSS%s\n", what, run.seconds, run.peakKilobytes,
                run.status == 0 ? "" : "  (FAILED)");
}

} // namespace

int benchSearchCases() {
    namespace fs = std::filesystem;
    const std::string root = makeSandbox();
    const std::string fonts = root + "/home/.local/share/fonts";
    fs::create_directories(fonts);
    const Sample base = makeSample();
    sample::SampleSuitcaseOptions installed;
    installed.shortVersion = "1.0.1";
    if (sample::writeSampleSuitcase(fonts + "/Gothic", base.oldFont, installed) !=
        ResStatus::resNoErr)
        return 1;

    // A font of another family under the target's name, padded to 64 KB.
    sample::SampleFontOptions other;
    other.japaneseName = "ベツゴシック";
    other.version = "1.0.1";
    Bytes record = sample::makeTrueTypeFont(other);
    other.padBytes = record.size() < (64u << 10) ? uint32_t((64u << 10) - record.size()) : 0;
    record = sample::makeTrueTypeFont(other);
    const auto vers = sample::makeVersResource("1.0.1", "1.0.1, (C) Font Updater sample");
    if (!vers ||
        sample::writeForkFile(fonts + "/Crowded",
                              test::sharedRecordFork(sample::makeFondResource(128, 1000), *vers,
                                                     record, "SampleGothic", 20000)) != 0)
        return 1;
    const ChildRun crowded = searchInChild(base.sources, 1);
    print("20,000 references to one 64 KB 'sfnt'", crowded);
    fs::remove(fonts + "/Crowded");

    const ChildRun pairs = searchInChild(
        test::repeatedTargetsAndSets(base.sources, kMaxDefinitionTargets, kMaxDefinitionSets), 1);
    print("1,000 equal targets x 100 equal sets", pairs);
    fs::remove_all(root);
    return crowded.status == 0 && pairs.status == 0 ? 0 : 1;
}

} // namespace fu::bench
