// One resource of a resource fork: its type, ID, attributes and name, where its bytes lie in the
// file, and the bytes themselves once loaded or set.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace fu {

// A resource's name as UTF-8 text, or none. Copies share one text: the items of a map whose
// references all use one name hold it once, not once per item.
class ResName {
public:
    ResName() = default;
    ResName(std::nullopt_t) {} // NOLINT(google-explicit-constructor): reads as "no name"
    ResName(std::string text)  // NOLINT(google-explicit-constructor)
        : text_(std::make_shared<const std::string>(std::move(text))) {}
    ResName(const char* text) : ResName(std::string(text)) {} // NOLINT(google-explicit-constructor)
    ResName(std::optional<std::string> text) {                // NOLINT(google-explicit-constructor)
        if (text) text_ = std::make_shared<const std::string>(std::move(*text));
    }

    explicit operator bool() const { return bool(text_); }
    [[nodiscard]] const std::string& operator*() const { return *text_; }
    [[nodiscard]] const std::string* operator->() const { return text_.get(); }
    [[nodiscard]] std::optional<std::string> optional() const {
        return text_ ? std::optional<std::string>(*text_) : std::nullopt;
    }
    bool operator==(const ResName& other) const {
        return bool(text_) == bool(other.text_) && (!text_ || *text_ == *other.text_);
    }

private:
    std::shared_ptr<const std::string> text_;
};

class ResItem {
public:
    uint32_t resType = 0;
    int16_t resID = 0;
    int16_t resAttr = 0;            // the reference's attribute byte, 0..255
    ResName resName;                // none: the reference has no name
    uint32_t resDataLength = 0;     // as stored in the data area's length word
    uint32_t resDataFileOffset = 0; // fork offset of the first data byte
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
