// sfnt fonts: whatever the bytes, parsing must not crash; whatever parses must rebuild without
// crashing, and a rebuilt image must parse back to the same tables in the same order.
#include "sfnt/SfntData.h"
#include "suitcase/ResItem.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto font = fu::SfntData::initWithSfntData(fu::ByteView(data, size));
    if (!font || font->countOfSfntTable() == 0) return 0;
    fu::ResItem item;
    if (!fu::SfntData::setSfntData(*font, item, "2015/04/01 09:30:00", "not a date")) return 0;
    const fu::Bytes* image = item.resData();
    if (image == nullptr) std::abort();
    const auto again = fu::SfntData::initWithSfntData(*image);
    if (!again || again->countOfSfntTable() != font->countOfSfntTable()) std::abort();
    for (size_t i = 0; i < font->tables.size(); ++i) {
        if (again->tables[i].tag != font->tables[i].tag) std::abort();
    }
    return 0;
}
