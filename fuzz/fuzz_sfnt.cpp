// sfnt fonts: whatever the bytes, parsing must not crash, and reading in place, sharing or
// copying must find the same tables; whatever parses must rebuild without crashing, and a rebuilt
// image must parse back to the same tables in the same order, checksummed to the magic number.
#include "sfnt/SfntData.h"
#include "suitcase/ResItem.h"

#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fu::ByteView input(data, size);
    const auto font = fu::SfntData::initWithSfntData(input);
    const auto inPlace = fu::SfntData::initWithSfntDataNoCopy(input);
    const auto buffer = std::make_shared<const fu::Bytes>(input.begin(), input.end());
    const auto shared = fu::SfntData::initWithSharedSfntData(buffer, *buffer);
    if (!font != !inPlace || !font != !shared) std::abort();
    if (!font) return 0;
    if (inPlace->tables != font->tables || shared->tables != font->tables) std::abort();
    if (font->countOfSfntTable() == 0) return 0;
    fu::ResItem item;
    if (!fu::SfntData::setSfntData(*font, item, "2015/04/01 09:30:00", "not a date")) return 0;
    const fu::Bytes* image = item.resData();
    if (image == nullptr) std::abort();
    const auto again = fu::SfntData::initWithSfntDataNoCopy(*image);
    if (!again || again->countOfSfntTable() != font->countOfSfntTable()) std::abort();
    for (size_t i = 0; i < font->tables.size(); ++i) {
        if (again->tables[i].tag != font->tables[i].tag) std::abort();
        // Only 'head' changes: its dates and checkSumAdjustment.
        if (font->tables[i].tag != fu::fourCC("head") &&
            !(again->tables[i].tableData == font->tables[i].tableData))
            std::abort();
    }
    if (font->tableForTag(fu::fourCC("head")) && fu::sfntCheckSum(*image) != 0xB1B0AFBA)
        std::abort();
    return 0;
}
