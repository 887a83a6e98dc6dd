#include "shell/AppInfo.h"

#include "definition/DefinitionKey.h"

#include <new>

namespace fu {

AppInfo::AppInfo()
    : appCopyrightStr(buildCopyrightString()),
      // Without memory for the table the texts are nil, and the codes still drive the screens.
      messageInfo(new (std::nothrow) MessageInfo()) {}

AppInfo::~AppInfo() = default;

bool AppInfo::setupUpdateFontInfo() {
    updateFontInfo = std::make_unique<UpdateFontInfo>();
    return true;
}

bool AppInfo::setupUpdateManager() {
    updateManager = std::make_unique<UpdateManager>();
    return true;
}

bool AppInfo::setupAuthorization() {
    authorization = std::make_unique<Authorization>();
    return true;
}

} // namespace fu
