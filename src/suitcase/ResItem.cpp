#include "suitcase/ResItem.h"

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

} // namespace fu
