// Fixed-size big-endian records declared as data: each field names the member it fills, its
// offset and its width, and the one reader and the one writer here serve every record so declared.
// A layout whose fields do not follow one another exactly fails to compile wherever it is used.
#pragma once

#include "base/ByteReader.h"
#include "base/ByteWriter.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>

namespace fu {

template <class Record, class Value> struct Field {
    Value Record::*member;
    size_t offset;
    size_t width; // an integer may be stored narrower than its member (the 24-bit data offsets)
};

template <class Record, class Value>
constexpr Field<Record, Value> field(Value Record::*member, size_t offset, size_t width) {
    return {member, offset, width};
}

template <class Record, class... Values> struct RecordLayout {
    using RecordType = Record;
    size_t size;
    std::tuple<Field<Record, Values>...> fields;
};

template <class Record, class... Values>
constexpr RecordLayout<Record, Values...> recordLayout(size_t size,
                                                       Field<Record, Values>... fields) {
    return {size, {fields...}};
}

namespace detail {

template <class T> struct IsByteArray : std::false_type {};
template <size_t N> struct IsByteArray<std::array<uint8_t, N>> : std::true_type {};

template <class Record, class Value> constexpr bool widthSuits(const Field<Record, Value>& f) {
    if constexpr (IsByteArray<Value>::value) {
        return f.width == std::tuple_size_v<Value>;
    } else {
        return std::is_integral_v<Value> && f.width >= 1 && f.width <= sizeof(Value);
    }
}

template <class Record, class Value> constexpr bool fullWidth(const Field<Record, Value>& f) {
    if constexpr (IsByteArray<Value>::value) {
        return true;
    } else {
        return f.width == sizeof(Value);
    }
}

template <class Record, class Value>
bool readField(const ByteReader& bytes, const Field<Record, Value>& f, Record& record) {
    if constexpr (IsByteArray<Value>::value) {
        ByteView view;
        if (!bytes.bytesAt(f.offset, f.width, view)) return false;
        std::copy(view.begin(), view.end(), (record.*f.member).begin());
    } else {
        ByteView view;
        if (!bytes.bytesAt(f.offset, f.width, view)) return false;
        uint64_t value = 0;
        for (const uint8_t byte : view)
            value = value << 8 | byte;
        record.*f.member = static_cast<Value>(static_cast<std::make_unsigned_t<Value>>(value));
    }
    return true;
}

template <class Record, class Value>
bool patchField(ByteWriter& writer, size_t at, const Field<Record, Value>& f,
                const Record& record) {
    if constexpr (IsByteArray<Value>::value) {
        return writer.patchBytes(at + f.offset, record.*f.member);
    } else {
        const uint64_t value = static_cast<std::make_unsigned_t<Value>>(record.*f.member);
        if (f.width < sizeof(uint64_t) && value >> (8 * f.width) != 0) return false;
        std::array<uint8_t, sizeof(uint64_t)> bigEndian{};
        for (size_t i = 0; i < f.width; ++i)
            bigEndian[i] = static_cast<uint8_t>(value >> (8 * (f.width - 1 - i)));
        return writer.patchBytes(at + f.offset, ByteView(bigEndian).first(f.width));
    }
}

} // namespace detail

// True when the fields follow one another from byte 0 to the record's end, each as wide as its
// member allows.
template <class Record, class... Values>
constexpr bool isPacked(const RecordLayout<Record, Values...>& layout) {
    size_t next = 0;
    bool packed = true;
    std::apply(
        [&](const auto&... f) {
            ((packed = packed && f.offset == next && detail::widthSuits(f), next += f.width), ...);
        },
        layout.fields);
    return packed && next == layout.size;
}

// Reads the record lying at `offset` of `bytes`; false when it does not lie wholly inside them.
template <const auto& layout, class Record>
[[nodiscard]] bool readRecordAt(const ByteReader& bytes, size_t offset, Record& record) {
    static_assert(isPacked(layout));
    const std::optional<ByteReader> within = bytes.child(offset, layout.size);
    return within &&
           std::apply(
               [&](const auto&... f) { return (detail::readField(*within, f, record) && ...); },
               layout.fields);
}

// The same as a value, for records read on their own.
template <const auto& layout>
[[nodiscard]] std::optional<typename std::remove_cvref_t<decltype(layout)>::RecordType>
recordAt(ByteView bytes, size_t offset = 0) {
    typename std::remove_cvref_t<decltype(layout)>::RecordType record{};
    if (!readRecordAt<layout>(ByteReader(bytes), offset, record)) return std::nullopt;
    return record;
}

// The same at the reader's position, which moves past the record when it was there.
template <const auto& layout, class Record>
[[nodiscard]] bool readRecord(ByteReader& bytes, Record& record) {
    return readRecordAt<layout>(std::as_const(bytes), bytes.offset(), record) &&
           bytes.skip(layout.size);
}

// Overwrites the record at `offset` of what the writer holds; false when that range was not
// written yet or a value does not fit the width of its field.
template <const auto& layout, class Record>
[[nodiscard]] bool patchRecord(ByteWriter& writer, size_t offset, const Record& record) {
    static_assert(isPacked(layout));
    if (!rangeFits(writer.size(), offset, layout.size)) return false;
    return std::apply(
        [&](const auto&... f) { return (detail::patchField(writer, offset, f, record) && ...); },
        layout.fields);
}

// Appends the record; only for layouts in which every value fits, so that nothing can fail.
template <const auto& layout, class Record>
void writeRecord(ByteWriter& writer, const Record& record) {
    static_assert(
        std::apply([](const auto&... f) { return (detail::fullWidth(f) && ...); }, layout.fields),
        "a field narrower than its member can refuse a value; patch it instead");
    const size_t at = writer.size();
    writer.writeZeros(layout.size);
    [[maybe_unused]] const bool written = patchRecord<layout>(writer, at, record);
}

} // namespace fu
