// An installed font and the definition that updates it, for search and update-run tests:
// suitcases at version 1.0.1 of the sample font, and a definition raising them to 1.0.2.
#pragma once

#include "base/Bytes.h"
#include "definition/DefinitionWriter.h"
#include "engine/UpdateContext.h"
#include "engine/UpdateManager.h"
#include "support/Sandbox.h"

#include <memory>
#include <string>

namespace fu::test {

struct EngineSample {
    Bytes oldFont; // sfnt images: what is installed, and what the update makes of its tables
    Bytes newFont;
    DefinitionSources sources;
};

// The sample: resource name "SampleGothic", Japanese name "サンプルゴシック", 1.0.1 → 1.0.2, 'head'
// dates 2014/04/01 09:00:00 and 2014/04/02 09:30:00, file dates 2014/04/03 and 2014/04/04.
// `scripts` replaces the definition's script lines (default: a user cache rebuild that only
// touches a marker file under the sandbox).
[[nodiscard]] EngineSample makeEngineSample(const Sandbox& sandbox,
                                            const std::string& scripts = "");

// Writes an installed suitcase of the sample's old font at path (folders created).
void installOldSuitcase(const EngineSample& sample, const std::string& path);

enum class SampleTrust { SignedByThisBuild, Unsigned };

// What the engine works on in a test: a context and a manager working on it.
struct EngineState : UpdateContext {
    std::unique_ptr<UpdateManager> updateManager;
    bool setupUpdateManager() {
        updateManager = std::make_unique<UpdateManager>(this);
        return true;
    }
};

// A fresh state holding the sample definition, which replaces the test's current one; signed by
// the build's trusted key unless asked otherwise.
EngineState& installAppState(const EngineSample& sample,
                             SampleTrust trust = SampleTrust::SignedByThisBuild);
// The test's current state (null before the first install and after a clear).
[[nodiscard]] EngineState* currentAppState();
void clearAppState();

// The short version in an installed suitcase's 'vers' 1, or a parenthesised reason it has none.
[[nodiscard]] std::string installedVersion(const std::string& path);

// The marker file the default cache-rebuild script touches.
[[nodiscard]] std::string cacheMarker(const Sandbox& sandbox);

} // namespace fu::test
