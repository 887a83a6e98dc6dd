#include "shell/AppInfo.h"

#include "definition/DefinitionKey.h"
#include "shell/ViewNumbers.h"

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
    case ParamToolView: return &paramToolController;
    case TargetEditView: return &targetEditController;
    case ClearCacheView: return &clearCacheController;
    case CreateNewView: return &createNewController;
    case FontListView: return &fontListController;
    case UserUpdateView: return &userUpdateController;
    case CreateUserView: return &createUserController;
    default: return nullptr;
    }
}

} // namespace fu
