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

std::unique_ptr<ViewController>* AppInfo::toolControllerSlot(int64_t viewNo) {
    switch (viewNo) {
    case 100: return &paramToolController;
    case 101: return &targetEditController;
    case 102: return &clearCacheController;
    case 103: return &createNewController;
    case 104: return &fontListController;
    case 105: return &userUpdateController;
    case 106: return &createUserController;
    default: return nullptr;
    }
}

} // namespace fu
