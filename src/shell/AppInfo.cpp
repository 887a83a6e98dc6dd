#include "shell/AppInfo.h"

#include <new>

#ifndef FONTUPDATER_COPYRIGHT
#error "FONTUPDATER_COPYRIGHT comes from the build"
#endif

namespace fu {

AppInfo::AppInfo()
    : appCopyrightStr(FONTUPDATER_COPYRIGHT),
      // Without memory for the table the texts are nil, and the codes still drive the screens.
      messageInfo(new (std::nothrow) MessageInfo()) {}

AppInfo::~AppInfo() = default;

} // namespace fu
