// The records `fupdef build --records` reads: any text parses or is refused, and records that
// load come out of their dictionary form, and of the JSON inspect --json would print for them,
// as the same records.
#include "RecordsJson.h"

#include "tools/CheckTargetInfo.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace fu;
    const std::optional<PropertyValue> document = cli::propertiesFromJsonText({data, size});
    if (!document) return 0;
    const auto records = CheckTargetInfo::initWithDictionary(document->dictionary());
    if (!records) return 0;
    (void)records->verifyEmptyValueOfCheckTargetInfo();
    (void)records->checkExistsFontNameAndFullName();

    const std::optional<PropertyDictionary> dictionary = records->dictionary();
    if (dictionary.has_value() == (records->countOfCheckTargetItem() == 0)) std::abort();
    if (!dictionary) return 0;
    const auto again = CheckTargetInfo::initWithDictionary(&*dictionary);
    if (!again || again->dictionary() != dictionary) std::abort();

    const std::string printed = cli::toJson(PropertyValue(*dictionary)).dump(2);
    const std::optional<PropertyValue> reread = cli::propertiesFromJsonText(asBytes(printed));
    if (!reread || !reread->dictionary() || *reread->dictionary() != *dictionary) std::abort();
    return 0;
}
