#include "shell/AppInfo.h"

#include "definition/DefinitionKey.h"

#include <new>

namespace fu {

AppInfo::AppInfo()
    : appCopyrightStr(buildCopyrightString()),
      // Without memory for the table the texts are nil, and the codes still drive the screens.
      messageInfo(new (std::nothrow) MessageInfo()) {}

AppInfo::~AppInfo() = default;

} // namespace fu
