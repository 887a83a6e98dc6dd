#include "platform/OSStatus.h"

#include "platform/linux/PosixFile.h"

#include <cerrno>

namespace fu::platform {

int16_t osErrFromErrno(int error) {
    switch (error) {
    case 0: return noErr;
    case ENOENT: return fnfErr;
    case ENOTDIR: return dirNFErr;
    case EEXIST:
    case ENOTEMPTY: return dupFNErr;
    case EACCES:
    case EPERM: return permErr;
    case EROFS: return wPrErr;
    case ENOSPC:
    case EDQUOT: return dskFulErr;
    case ENAMETOOLONG:
    case EINVAL: return bdNamErr;
    case EMFILE:
    case ENFILE: return tmfoErr;
    case ENOMEM: return memFullErr;
    case EBADF: return rfNumErr;
    case EFBIG: return fsDataTooBigErr;
    case EISDIR:
    case posix::kNotRegularFile: return notAFileErr;
    default: return ioErr;
    }
}

} // namespace fu::platform
