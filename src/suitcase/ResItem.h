// One resource of a resource fork: its type, ID, attributes and name, where its bytes lie in the
// file, and the bytes themselves once loaded or set.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace fu {

class ResItem {
public:
    uint32_t resType = 0;
    int16_t resID = 0;
    int16_t resAttr = 0;                // the reference's attribute byte, 0..255
    std::optional<std::string> resName; // nullopt: the reference has no name
    uint32_t resDataLength = 0;         // as stored in the data area's length word
    uint32_t resDataFileOffset = 0;     // fork offset of the first data byte
    std::string resDataFilePath;

    // The held bytes; when none are held, first reads resDataLength bytes from the file. nullptr
    // when nothing is held and nothing (or not exactly resDataLength bytes) could be read.
    [[nodiscard]] const Bytes* resData();
    // Replaces what is held. resDataLength stays the file's length: callers that need the size of
    // the current data take it from the data.
    void setResData(std::optional<Bytes> data);
    [[nodiscard]] bool hasResData() const { return resData_.has_value(); }
    // Drops the held bytes; the next resData() reads the file again, so replaced data is lost.
    // The bytes' buffer is recycled for the next font's reads.
    void freeResData();

private:
    std::optional<Bytes> resData_;
};

} // namespace fu
