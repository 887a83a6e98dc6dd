// Writes seeds for the whole-entry targets, made by the test builders, so that they need not be
// kept as files: `fu_fuzz_seeds NAME FOLDER` writes the seeds of target fuzz_NAME into FOLDER
// (none for a target it has no seeds for).
#include "FuzzFiles.h"

#include "RecordsJson.h"
#include "definition/DefinitionPayload.h"
#include "definition/DefinitionWriter.h"
#include "engine/FontUpdate.h"
#include "support/DefinitionBuilder.h"
#include "support/HostileForks.h"
#include "support/HostileSearch.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"
#include "tools/CheckTargetInfo.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>
#include <tuple>

namespace {

using namespace fu;
using Seeds = std::map<std::string, Bytes>;

Bytes prefixed(uint8_t first, ByteView bytes) {
    Bytes out(bytes.size() + 1, first);
    std::copy(bytes.begin(), bytes.end(), out.begin() + 1);
    return out;
}

// The companion and the fork of sample suitcases: the one the sample definition updates, one at
// the new version, and one of another name.
void addSuitcases(const fuzz::InputFolder& folder, Seeds& seeds, bool withMode) {
    const Bytes font = sample::makeTrueTypeFont({});
    sample::SampleSuitcaseOptions newVersion, otherName;
    newVersion.shortVersion = "1.0.1";
    otherName.resName = "OtherMincho";
    const std::pair<const char*, sample::SampleSuitcaseOptions> variants[] = {
        {"old-version", {}}, {"new-version", newVersion}, {"other-name", otherName}};
    for (const auto& [name, options] : variants) {
        const std::string path = folder / name;
        if (sample::writeSampleSuitcase(path, font, options) != ResStatus::resNoErr) continue;
        const auto companion = fuzz::readWholeFile(folder / (std::string("._") + name));
        const auto fork = sample::readForkFile(path);
        if (!companion || !fork) continue;
        if (!withMode) {
            seeds[std::string(name) + ".companion"] = *companion;
            continue;
        }
        seeds[std::string(name) + ".companion"] = prefixed(0, *companion);
        seeds[std::string(name) + ".fork"] = prefixed(1, *fork);
    }
}

// Forks that describe far more than they hold, at the sizes that once cost seconds or gigabytes:
// the fuzzer starts from the worst known shapes instead of having to find them.
void addCraftedForks(Seeds& seeds) {
    test::SuitcaseResources font;
    font.resName = "SampleGothic";
    font.fond = sample::makeFondResource(16384, 16384);
    font.vers = sample::makeVersResource("1.0.0", "1.0.0, (C) Font Updater sample").value();
    font.sfnt = sample::makeTrueTypeFont({});
    seeds["overlapping-types.fork"] = prefixed(1, test::forkOfOverlappingTypes(font, 65535));
    seeds["shared-names.fork"] = prefixed(1, test::forkOfSharedNames(87000));
    sample::SampleFontOptions padded;
    padded.padBytes = 64 << 10;
    seeds["shared-record.fork"] =
        prefixed(1, test::sharedRecordFork(sample::makeFondResource(128, 1000), font.vers,
                                           sample::makeTrueTypeFont(padded), font.resName, 20000));
}

void addDefinitions(Seeds& seeds) {
    for (const auto& [name, targets, sets] :
         {std::tuple{"many-targets.payload", 1001, 1}, std::tuple{"many-sets.payload", 1, 101}}) {
        const DefinitionSources many =
            test::repeatedTargetsAndSets(test::sampleDefinitionSources(), targets, sets);
        if (auto payload = buildDefinitionPayload(many).bytes) seeds[name] = *payload;
    }
    DefinitionSources sources = test::sampleDefinitionSources();
    if (auto payload = buildDefinitionPayload(sources).bytes) seeds["sample.payload"] = *payload;
    // Two sets and a second target that asks for any old version.
    sources.sets.push_back(sources.sets.front());
    sources.sets.back().name = "Second set";
    const std::string targets(sources.targets.begin(), sources.targets.end());
    std::string second = targets;
    second.replace(second.find("1.0.0"), 5, "*");
    const std::string both = targets + second;
    sources.targets.assign(both.begin(), both.end());
    if (auto payload = buildDefinitionPayload(sources).bytes) seeds["two-sets.payload"] = *payload;
}

void addImports(const fuzz::InputFolder& folder, Seeds& seeds) {
    if (sample::writeSampleSuitcase(folder / "Fork", sample::makeTrueTypeFont({})) ==
        ResStatus::resNoErr)
        if (auto fork = sample::readForkFile(folder / "Fork")) seeds["suitcase.rsrc"] = *fork;
}

void addRecords(const fuzz::InputFolder& folder, Seeds& seeds) {
    const std::string path = folder / "SampleGothic";
    if (sample::writeSampleSuitcase(path, sample::makeTrueTypeFont({})) != ResStatus::resNoErr)
        return;
    const AuthoringResult built = buildDefinitionPayload(test::sampleDefinitionSources());
    DefinitionPayload definition;
    if (!built.bytes ||
        splitDefinitionPayload(nullptr, *built.bytes, definition) != PayloadFailure::None)
        return;
    CheckTargetInfo list;
    if (FontUpdate::setCheckTargetInfo(&list, definition.updateSfntSetInfo.get(), path) != 0)
        return;
    const auto dictionary = list.dictionary();
    if (!dictionary) return;
    const std::string text = cli::toJson(PropertyValue(*dictionary)).dump(2);
    seeds["inspected.json"] = Bytes(text.begin(), text.end());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fu_fuzz_seeds NAME FOLDER\n");
        return 2;
    }
    const std::string name = argv[1];
    Seeds seeds;
    try {
        const fuzz::InputFolder folder;
        if (name == "suitcase") {
            addSuitcases(folder, seeds, true);
            addCraftedForks(seeds);
        }
        if (name == "companion") addSuitcases(folder, seeds, false);
        if (name == "definition") addDefinitions(seeds);
        if (name == "import") addImports(folder, seeds);
        if (name == "records") addRecords(folder, seeds);
    } catch (const std::exception& error) { // the builders throw when a sample does not build
        std::fprintf(stderr, "fu_fuzz_seeds: %s\n", error.what());
        return 1;
    }
    for (const auto& [file, bytes] : seeds)
        if (!fuzz::writeWholeFile(std::string(argv[2]) + "/" + file, bytes)) {
            std::fprintf(stderr, "fu_fuzz_seeds: cannot write %s\n", file.c_str());
            return 1;
        }
    std::printf("fu_fuzz_seeds: %zu seeds for %s\n", seeds.size(), name.c_str());
    return 0;
}
