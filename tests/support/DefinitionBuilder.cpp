#include "support/DefinitionBuilder.h"

#include "definition/DefinitionContainer.h"
#include "definition/DefinitionSignature.h"
#include "platform/KeyFiles.h"
#include "sfnt/SfntData.h"
#include "support/SampleFont.h"

#include <stdexcept>

namespace fu::test {

Bytes taggedContainer(const std::vector<std::pair<std::string, Bytes>>& tables) {
    SfntData data;
    data.scaler = 0x00010000;
    for (const auto& [tag, bytes] : tables) {
        SfntTable table;
        for (char c : tag)
            table.tag = (table.tag << 8) | uint8_t(c);
        table.tableData = bytes;
        data.tables.push_back(std::move(table));
    }
    auto image = SfntData::buildSfntImage(data, 0, 0);
    if (!image) throw std::runtime_error("tagged container does not build");
    return *image;
}

DefinitionSources sampleDefinitionSources() {
    auto text = [](std::string_view s) { return Bytes(s.begin(), s.end()); };
    DefinitionSources sources;
    sources.readMe =
        text("{\\rtf1\\ansi\\ansicpg932{\\fonttbl\\f0\\fnil\\fcharset128 Osaka;}"
             "\\f0\\fs24 \\'83\\'41\\'83\\'62\\'83\\'76\\'83\\'66\\'81\\'5b\\'83\\'67\\par}");
    sources.targets = text("SampleGothic\tサンプルゴシック\t1.0.0\t*\t1.0.1\t2014/04/01 09:00:00\t"
                           "2014/04/01 09:00:00\t2014/04/02 09:00:00\t2014/04/02 09:00:00\t*\n");
    sources.scripts =
        text("UserChacheRemove\t/usr/bin/fc-cache -f\nASRestartComputer\techo restart\n");
    sample::SampleFontOptions old;
    sample::SampleFontOptions changed = old;
    changed.glyphCount = static_cast<uint16_t>(old.glyphCount + 4);
    sources.sets.push_back(
        {"Sample update", sample::makeTrueTypeFont(old), sample::makeTrueTypeFont(changed)});
    return sources;
}

Bytes sealedPayload(ByteView payload, const std::string& copyright) {
    auto sealed = writeDefinitionContainer(payload, copyright, {});
    if (!sealed) throw std::runtime_error("definition does not seal");
    return *sealed;
}

Bytes sealedDefinition(const DefinitionSources& sources, const std::string& copyright) {
    AuthoringResult payload = buildDefinitionPayload(sources);
    if (!payload.bytes) throw std::runtime_error(payload.error);
    return sealedPayload(*payload.bytes, copyright);
}

Bytes signedByThisBuild(ByteView container) {
    std::string error;
    const auto key = platform::readPrivateKeyFile(FU_DEMO_SIGNING_KEY, error);
    if (!key) throw std::runtime_error("the build's signing key: " + error);
    ContainerFailure failure = ContainerFailure::None;
    auto signedBytes = signDefinitionContainer(container, *key, failure);
    if (!signedBytes) throw std::runtime_error("the definition does not sign");
    return *signedBytes;
}

} // namespace fu::test
