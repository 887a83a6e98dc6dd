// 'name' tables: whatever the bytes, parsing and decoding must not crash, and whatever parses
// must be written and read back to the same records.
#include "sfnt/SfntTable.h"
#include "sfnt/SfntTableName.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto name = fu::SfntTableName::initWithNameData(fu::ByteView(data, size));
    if (!name) return 0;
    for (const fu::SfntTableNameItem& item : name->nameItems)
        (void)item.nameString();
    fu::SfntTable table;
    // Refused for no records, or when unshared strings no longer fit 16-bit offsets.
    if (!fu::SfntTableName::setSfntTableName(*name, table)) return 0;
    const auto again = fu::SfntTableName::initWithNameData(table.tableData);
    if (!again || again->format != name->format || again->nameItems != name->nameItems)
        std::abort();
    return 0;
}
