// A whole definition: the input is the decrypted payload, which the target seals with the
// build's key so that every mutation passes the digests. What loads is searched over a Fonts
// folder holding one real suitcase (SampleGothic 1.0.0) and every font found is built; the
// search finds each font at most once per distinct target and set, and every font built loads as a
// suitcase.
#include "FuzzDefinition.h"
#include "FuzzFiles.h"

#include "definition/DefinitionContainer.h"
#include "definition/DefinitionKey.h"
#include "definition/TrustStore.h"
#include "engine/FontUpdate.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateFontInfo.h"
#include "platform/ForkStorage.h"
#include "suitcase/ResFile.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"

#include <cstdlib>
#include <vector>

namespace {

using namespace fu;

const std::string& copyright() {
    static const std::string text = buildCopyrightString();
    return text;
}

const Bytes& sampleFont() {
    static const Bytes font = sample::makeTrueTypeFont({});
    return font;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A container holds a payload of 16-bit units; the odd byte has no place in one.
    const ByteView payload(data, size - size % 2);
    std::optional<Bytes> sealed = writeDefinitionContainer(payload, copyright(), {});
    if (!sealed) std::abort();
    LoadedDefinition definition = loadDefinition(std::move(*sealed), copyright(), TrustStore{});
    if (definition.containerFailure != ContainerFailure::None) std::abort();
    if (!definition.loaded()) return 0;
    const DefinitionPayload& sections = definition.sections;
    if (!sections.updateTargetInfo) return 0;

    const fuzz::InputFolder folder;
    const std::string fonts = folder / "Fonts";
    const std::string built = folder / "Built";
    std::filesystem::create_directory(fonts);
    std::filesystem::create_directory(built);
    if (sample::writeSampleSuitcase(fonts + "/SampleGothic", sampleFont()) != ResStatus::resNoErr)
        std::abort();

    UpdateFontInfo found;
    if (FontUpdate::findUpdateFontInfo(&found, sections.updateSfntSetInfo.get(),
                                       sections.updateTargetInfo.get(), fonts) != 0)
        return 0;
    // Lines that say the same thing find a font once: repeating them must not multiply the list.
    // Targets that differ in any field are other targets, and may list the same file and set.
    std::vector<const UpdateFontItem*> listed;
    size_t index = 0;
    for (const auto& item : found.updateFontItems) {
        if (item->sfntSetIndex >= sections.updateSfntSetInfo->items.size()) std::abort();
        for (const UpdateFontItem* earlier : listed)
            if (earlier->srcPath == item->srcPath && earlier->sfntSetIndex == item->sfntSetIndex &&
                earlier->target == item->target)
                std::abort();
        listed.push_back(item.get());
        const UpdateSfntSetItem& set = *sections.updateSfntSetInfo->items[item->sfntSetIndex];
        const std::string dst = built + "/" + std::to_string(index++);
        const ItemResult result = FontUpdate::updateResFileResName(
            item->target, set.oSfntData.get(), set.nSfntData.get(), item->srcPath, dst);
        if (result != ItemResult::StatusOK) continue;
        const auto written = ResFile::initOfContentFile(dst);
        if (!written || written->loadStatus != ResStatus::resNoErr) std::abort();
    }
    if (platform::openForkCount() != 0) std::abort();
    return 0;
}
