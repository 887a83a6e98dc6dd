#include "support/EngineFixture.h"

#include "definition/DefinitionPayload.h"
#include "sfnt/VersResource.h"
#include "suitcase/ResFile.h"
#include "support/DefinitionBuilder.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"

#include <filesystem>
#include <stdexcept>

namespace fu::test {

std::string installedVersion(const std::string& path) {
    auto resFile = ResFile::initOfContentFile(path);
    if (!resFile || resFile->loadStatus != ResStatus::resNoErr) return "(unreadable)";
    VersResHeader header{};
    PascalString shortString{}, longString{};
    if (!readVersResItem(resFile->resItemByResType(fourCC("vers"), 1), header, shortString,
                         longString))
        return "(no vers)";
    return std::string(shortString.begin() + 1, shortString.begin() + 1 + shortString[0]);
}

std::string cacheMarker(const Sandbox& sandbox) { return sandbox.path("cache-rebuilt"); }

EngineSample makeEngineSample(const Sandbox& sandbox, const std::string& scripts) {
    EngineSample sample;
    sample::SampleFontOptions old;
    old.version = "1.0.1";
    sample::SampleFontOptions changed = old;
    changed.glyphCount = static_cast<uint16_t>(old.glyphCount + 3);
    sample.oldFont = sample::makeTrueTypeFont(old);
    sample.newFont = sample::makeTrueTypeFont(changed);
    auto text = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
    sample.sources.readMe = text("{\\rtf1\\ansi Sample\\par}");
    sample.sources.targets = text("SampleGothic\t" + old.japaneseName +
                                  "\t1.0.1\t*\t1.0.2\t2014/04/01 09:00:00\t2014/04/02 09:30:00\t"
                                  "2014/04/03 09:00:00\t2014/04/04 09:00:00\t*\n");
    sample.sources.scripts =
        text(scripts.empty() ? "UserChacheRemove\t/usr/bin/touch " + cacheMarker(sandbox) + "\n"
                             : scripts);
    sample.sources.sets.push_back({"Glyphs", sample.oldFont, sample.newFont});
    return sample;
}

void installOldSuitcase(const EngineSample& sample, const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    sample::SampleSuitcaseOptions options;
    options.shortVersion = "1.0.1";
    if (sample::writeSampleSuitcase(path, sample.oldFont, options) != ResStatus::resNoErr)
        throw std::runtime_error("cannot write the sample suitcase " + path);
}

namespace {

std::unique_ptr<EngineState>& heldState() {
    static std::unique_ptr<EngineState> state;
    return state;
}

} // namespace

EngineState& installAppState(const EngineSample& sample, SampleTrust trust) {
    auto state = std::make_unique<EngineState>();
    // The helper opens definitions with the build's own key, as the wizard does.
    const Bytes sealed = sealedDefinition(sample.sources, state->appCopyrightStr);
    Bytes file = trust == SampleTrust::SignedByThisBuild ? signedByThisBuild(sealed) : sealed;
    LoadedDefinition loaded =
        loadDefinition(std::move(file), state->appCopyrightStr, TrustStore::system());
    if (!loaded.loaded()) throw std::runtime_error("the sample definition does not load");
    state->adoptDefinition(loaded);
    state->setupUpdateManager();
    heldState() = std::move(state);
    return *heldState();
}

EngineState* currentAppState() { return heldState().get(); }

void clearAppState() { heldState().reset(); }

} // namespace fu::test
