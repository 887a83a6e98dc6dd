#include "suitcase/ResItem.h"

#include "platform/Memory.h"
#include "suitcase/ResFile.h"

namespace fu {

const Bytes* ResItem::resData() {
    if (!resData_ && !resDataFilePath.empty() && resDataFileOffset != 0 && resDataLength != 0) {
        std::optional<Bytes> loaded =
            ResFile::readResourceDataOfPath(resDataFilePath, resDataFileOffset, resDataLength);
        if (loaded && loaded->size() == resDataLength) resData_ = std::move(loaded);
    }
    return resData_ ? &*resData_ : nullptr;
}

void ResItem::setResData(std::optional<Bytes> data) {
    freeResData();
    resData_ = std::move(data);
}

void ResItem::freeResData() {
    if (resData_) platform::recycleBulkBuffer(std::move(*resData_));
    resData_.reset();
}

} // namespace fu
