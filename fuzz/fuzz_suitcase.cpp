// An installed suitcase, end to end: the input is a companion file's bytes (first byte even) or
// a resource fork (odd) of a file in a Fonts folder. Whatever it holds, the suitcase check, the
// census, the load, the search decision against the sample definition, the construction of the
// new font and the inspection must answer with a status. A new font that is built is a suitcase
// that loads, holds the set's new tables at the new version and no longer needs the update; every
// fork opened is closed again.
#include "FuzzDefinition.h"
#include "FuzzFiles.h"

#include "engine/FontUpdate.h"
#include "engine/StatusCodes.h"
#include "platform/FileAttributes.h"
#include "platform/ForkStorage.h"
#include "suitcase/ResFile.h"
#include "suitcase/ResStatus.h"
#include "support/SampleSuitcase.h"
#include "tools/CheckTargetInfo.h"
#include "tools/CheckTargetItem.h"

#include <cstdlib>

using enum fu::ResStatus;

namespace {

using namespace fu;

bool isSuitcaseByAttributes(const std::string& path) {
    const auto attributes = platform::readAttributes(path);
    return attributes && attributes->hfsTypeCode == fourCC("FFIL");
}

void decideAndBuild(const std::string& path, const std::string& newPath) {
    const DefinitionPayload& definition = fuzz::sampleDefinition();
    const UpdateTarget& target = *definition.updateTargetInfo->updateTargetItems.front();
    const UpdateSfntSetItem& set = *definition.updateSfntSetInfo->items.front();

    const int16_t need = FontUpdate::updateNeedResName(target, set.oSfntData.get(), path);
    if (need < -1 || need > 1) std::abort();
    if (need != 1) return;
    const ItemResult built = FontUpdate::updateResFileResName(target, set.oSfntData.get(),
                                                              set.nSfntData.get(), path, newPath);
    if (built != ItemResult::StatusOK) return;
    if (!ResFile::chekSuitcaseFile(newPath)) std::abort();
    const auto reloaded = ResFile::initOfContentFile(newPath);
    if (!reloaded || reloaded->loadStatus != ResStatus::resNoErr) std::abort();
    if (FontUpdate::updateNeedResName(target, set.oSfntData.get(), newPath) == 1) std::abort();
    // What inspect reads of the new font: the set's new tables and the target's new version.
    CheckTargetInfo records;
    if (FontUpdate::setCheckTargetInfo(&records, definition.updateSfntSetInfo.get(), newPath) !=
            0 ||
        records.countOfCheckTargetItem() != 1)
        std::abort();
    const CheckTargetItem& record = *records.checkTargetItems.front();
    if (!record.matchNewSfntData || record.shortVersStr != target.nVersStr) std::abort();
}

void inspect(const std::string& path) {
    // As `fupdef inspect` does, with the sample definition and without one.
    CheckTargetInfo withSets;
    if (FontUpdate::setCheckTargetInfo(&withSets, fuzz::sampleDefinition().updateSfntSetInfo.get(),
                                       path) == 0 &&
        withSets.countOfCheckTargetItem() != 1)
        std::abort();
    if (const auto mapInfo = ResFile::resourceMapInfoStringOfPath(path)) {
        CheckTargetItem item;
        item.resMapInfo = item.nResMapInfo = mapInfo;
        const SfntData noTables;
        (void)FontUpdate::setCheckTargetItem(&item, &noTables, path);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const fuzz::InputFolder folder;
    const std::string path = folder / "SampleGothic";
    const ByteView rest(data + 1, size - 1);
    if (data[0] % 2 == 0) {
        if (!fuzz::writeWholeFile(path, {}) ||
            !fuzz::writeWholeFile(folder / "._SampleGothic", rest))
            std::abort();
    } else if (sample::writeForkFile(path, rest) != 0) {
        return 0; // longer than any fork
    }

    const bool suitcase = ResFile::chekSuitcaseFile(path);
    if (suitcase != isSuitcaseByAttributes(path)) std::abort();

    int64_t fonds = -1, sfnts = -1, verses = -1;
    if (ResFile::checkSuitcaseFontResName("SampleGothic", path, fonds, sfnts, verses) ==
            ResStatus::resNoErr &&
        (fonds < 0 || sfnts < 0 || verses < 0))
        std::abort();

    const auto loaded = ResFile::initOfContentFile(path);
    if (!loaded) std::abort();
    if (!suitcase && platform::readAttributes(path) && loaded->loadStatus != resErrNotSuitcase)
        std::abort();
    if (loaded->loadStatus == ResStatus::resNoErr) decideAndBuild(path, folder / "New");
    inspect(path);
    if (platform::openForkCount() != 0) std::abort();
    return 0;
}
