#include "base/AppleDouble.h"

#include "base/ByteReader.h"
#include "base/ByteWriter.h"

#include <algorithm>

namespace fu::appledouble {

std::optional<uint32_t> magicOf(ByteView bytes) {
    uint32_t magic = 0;
    if (!ByteReader(bytes).u32At(0, magic)) return std::nullopt;
    return magic;
}

std::optional<Header> readHeader(ByteView bytes) { return recordAt<kHeaderLayout>(bytes); }

std::optional<EntryDescriptor> readDescriptor(ByteView bytes, size_t index) {
    return recordAt<kDescriptorLayout>(bytes, headerSizeFor(index));
}

const EntryDescriptor* Layout::find(uint32_t id) const {
    auto index = indexOf(id);
    return index ? &entries[*index] : nullptr;
}

std::optional<size_t> Layout::indexOf(uint32_t id) const {
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].id == id) return i;
    return std::nullopt;
}

std::optional<uint16_t> announcedEntryCount(ByteView headerPrefix) {
    uint16_t count = 0;
    if (!ByteReader(headerPrefix).u16At(kEntryCountField.offset, count)) return std::nullopt;
    return count;
}

std::optional<Layout> parseLayout(ByteView headerBytes, uint64_t fileSize) {
    const std::optional<Header> header = readHeader(headerBytes);
    if (!header) return std::nullopt;
    if (header->magic != kMagic || header->version != kVersion2) return std::nullopt;
    if (headerSizeFor(header->entryCount) > fileSize) return std::nullopt;

    Layout layout;
    layout.version = header->version;
    layout.filler = header->filler;
    layout.entries.reserve(header->entryCount);
    for (size_t i = 0; i < header->entryCount; ++i) {
        const std::optional<EntryDescriptor> entry = readDescriptor(headerBytes, i);
        if (!entry) return std::nullopt;
        if (entry->id == 0) return std::nullopt; // RFC 1740 reserves ID 0
        if (entry->offset > fileSize || entry->length > fileSize - entry->offset)
            return std::nullopt;
        layout.entries.push_back(*entry);
    }
    // Entries may neither lie inside the header and descriptors nor overlap one another: the
    // Finder info and the dates are rewritten in place and the fork is appended to, which would
    // overwrite the descriptors, the magic or another entry. An empty entry may sit where another
    // begins or ends; other programs' empty entries of kinds we never write may sit anywhere.
    std::vector<const EntryDescriptor*> byOffset;
    byOffset.reserve(layout.entries.size());
    for (const EntryDescriptor& entry : layout.entries) {
        const bool written = entry.id == ResourceForkEntry || entry.id == FinderInfoEntry ||
                             entry.id == FileDatesEntry;
        if (entry.length == 0 && !written) continue;
        if (entry.offset < headerSizeFor(header->entryCount)) return std::nullopt;
        byOffset.push_back(&entry);
    }
    std::sort(byOffset.begin(), byOffset.end(), [](const auto* a, const auto* b) {
        return a->offset != b->offset ? a->offset < b->offset : a->length < b->length;
    });
    uint64_t end = 0;
    for (const EntryDescriptor* entry : byOffset) {
        if (entry->offset < end) return std::nullopt;
        end = std::max<uint64_t>(end, uint64_t{entry->offset} + entry->length);
    }
    return layout;
}

std::optional<FinderCodes> parseFinderCodes(ByteView entry) {
    return recordAt<kFinderCodesLayout>(entry);
}

std::optional<FileDates> parseFileDates(ByteView entry) {
    return recordAt<kFileDatesLayout>(entry);
}

std::optional<MacFileInfo> parseMacFileInfo(ByteView entry) {
    return recordAt<kMacFileInfoLayout>(entry);
}

Bytes serializeFileDates(const FileDates& dates) {
    ByteWriter writer(kFileDatesSize);
    writeRecord<kFileDatesLayout>(writer, dates);
    return writer.take();
}

uint32_t Document::typeCode() const {
    const auto codes = finderInfo ? parseFinderCodes(*finderInfo) : std::nullopt;
    return codes ? codes->type : 0;
}

uint32_t Document::creatorCode() const {
    const auto codes = finderInfo ? parseFinderCodes(*finderInfo) : std::nullopt;
    return codes ? codes->creator : 0;
}

void Document::setTypeAndCreator(std::optional<uint32_t> type, std::optional<uint32_t> creator) {
    if (!finderInfo) finderInfo.emplace();
    FinderCodes codes{typeCode(), creatorCode()};
    if (type) codes.type = *type;
    if (creator) codes.creator = *creator;
    ByteWriter writer;
    writeRecord<kFinderCodesLayout>(writer, codes);
    std::copy(writer.bytes().begin(), writer.bytes().end(), finderInfo->begin());
}

std::optional<Document> parseDocument(ByteView companion) {
    auto layout = parseLayout(companion, companion.size());
    if (!layout) return std::nullopt;
    ByteReader reader(companion);
    Document document;
    document.filler = layout->filler;
    bool seenFinder = false, seenDates = false, seenFork = false;
    for (const EntryDescriptor& entry : layout->entries) {
        ByteView bytes;
        if (!reader.bytesAt(entry.offset, entry.length, bytes)) return std::nullopt;
        switch (entry.id) {
        case FinderInfoEntry:
            if (!seenFinder && bytes.size() >= kFinderInfoSize) {
                document.finderInfo.emplace();
                std::copy_n(bytes.begin(), kFinderInfoSize, document.finderInfo->begin());
            }
            seenFinder = true;
            break;
        case FileDatesEntry:
            if (!seenDates) document.dates = parseFileDates(bytes);
            seenDates = true;
            break;
        case ResourceForkEntry:
            if (!seenFork) document.resourceFork.assign(bytes.begin(), bytes.end());
            seenFork = true;
            break;
        default: document.otherEntries.emplace_back(entry.id, Bytes(bytes.begin(), bytes.end()));
        }
    }
    return document;
}

Bytes serializeDocument(const Document& document) {
    std::vector<std::pair<uint32_t, ByteView>> entries;
    Bytes dates;
    if (document.finderInfo) entries.emplace_back(FinderInfoEntry, ByteView(*document.finderInfo));
    if (document.dates) {
        dates = serializeFileDates(*document.dates);
        entries.emplace_back(FileDatesEntry, ByteView(dates));
    }
    for (const auto& [id, bytes] : document.otherEntries)
        entries.emplace_back(id, ByteView(bytes));
    entries.emplace_back(ResourceForkEntry, ByteView(document.resourceFork));

    ByteWriter writer;
    writeRecord<kHeaderLayout>(
        writer, Header{kMagic, kVersion2, document.filler, static_cast<uint16_t>(entries.size())});
    uint32_t offset = static_cast<uint32_t>(headerSizeFor(entries.size()));
    for (const auto& [id, bytes] : entries) {
        const auto length = static_cast<uint32_t>(bytes.size());
        writeRecord<kDescriptorLayout>(writer, EntryDescriptor{id, offset, length});
        offset += length;
    }
    for (const auto& entry : entries)
        writer.writeBytes(entry.second);
    return writer.take();
}

} // namespace fu::appledouble
