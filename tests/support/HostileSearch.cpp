#include "support/HostileSearch.h"

#include "base/ByteWriter.h"

#include <stdexcept>
#include <vector>

namespace fu::test {

Bytes suitcaseFork(const std::vector<ByteView>& records, const std::vector<size_t>& sfntRecords,
                   const std::string& name) {
    constexpr uint32_t kDataAt = 256;
    constexpr uint32_t kTypeListAt = 28;
    if (records.size() < 2 || name.size() > 255 || sfntRecords.empty() ||
        sfntRecords.size() > 0x8000)
        throw std::invalid_argument("suitcaseFork: records, name or reference count out of range");
    ByteWriter data;
    std::vector<uint32_t> recordAt;
    for (const ByteView record : records) {
        recordAt.push_back(uint32_t(data.size()));
        data.writeU32(uint32_t(record.size()));
        data.writeBytes(record);
    }
    // Map: header, type list of three types, the name list, then the references.
    const uint32_t typeListLength = 2 + 8 * 3;
    const uint32_t nameListAt = kTypeListAt + typeListLength;
    const uint32_t referencesAt = nameListAt + 1 + uint32_t(name.size()); // from the map
    const uint32_t mapLength = referencesAt + 12 * uint32_t(2 + sfntRecords.size());
    const uint32_t mapAt = kDataAt + uint32_t(data.size());

    ByteWriter fork;
    const uint32_t header[] = {kDataAt, mapAt, uint32_t(data.size()), mapLength};
    for (uint32_t word : header)
        fork.writeU32(word);
    fork.writeZeros(kDataAt - 16);
    fork.writeBytes(data.bytes());
    for (uint32_t word : header)
        fork.writeU32(word);
    fork.writeU32(0);
    fork.writeU32(0); // file reference number, attributes
    fork.writeU16(uint16_t(kTypeListAt));
    fork.writeU16(uint16_t(nameListAt));
    fork.writeU16(3 - 1);
    // Reference list offsets count from the type list.
    const uint32_t firstReference = referencesAt - kTypeListAt;
    fork.writeU32(fourCC("FOND"));
    fork.writeU16(0);
    fork.writeU16(uint16_t(firstReference));
    fork.writeU32(fourCC("vers"));
    fork.writeU16(0);
    fork.writeU16(uint16_t(firstReference + 12));
    fork.writeU32(fourCC("sfnt"));
    fork.writeU16(uint16_t(sfntRecords.size() - 1));
    fork.writeU16(uint16_t(firstReference + 24));
    fork.writeU8(uint8_t(name.size()));
    fork.writeBytes(asBytes(name));
    auto reference = [&fork](int16_t id, bool named, uint32_t at) {
        fork.writeI16(id);
        fork.writeU16(named ? 0 : 0xFFFF);
        fork.writeU32(at);
        fork.writeU32(0);
    };
    reference(128, true, recordAt[0]);
    reference(1, false, recordAt[1]);
    for (size_t i = 0; i < sfntRecords.size(); ++i)
        reference(int16_t(1000 + i), true, recordAt.at(sfntRecords[i]));
    return fork.take();
}

Bytes sharedRecordFork(ByteView fond, ByteView vers, ByteView sfnt, const std::string& name,
                       size_t references) {
    if (references == 0 || references > 0x8000)
        throw std::invalid_argument("sharedRecordFork: reference count out of range");
    return suitcaseFork({fond, vers, sfnt}, std::vector<size_t>(references, 2), name);
}

DefinitionSources repeatedTargetsAndSets(DefinitionSources sources, size_t targets, size_t sets) {
    if (sources.sets.empty()) throw std::invalid_argument("repeatedTargetsAndSets: no set");
    Bytes line(sources.targets.begin(), sources.targets.end());
    for (size_t i = 0; i < line.size(); ++i)
        if (line[i] == '\n') {
            line.resize(i);
            break;
        }
    Bytes text;
    for (size_t i = 0; i < targets; ++i) {
        text.insert(text.end(), line.begin(), line.end());
        text.push_back('\n');
    }
    sources.targets = std::move(text);
    const UpdateSetSource set = sources.sets.front();
    sources.sets.assign(sets, set);
    return sources;
}

} // namespace fu::test
