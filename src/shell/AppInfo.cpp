#include "shell/AppInfo.h"

#include "shell/ViewNumbers.h"

namespace fu {

AppInfo::AppInfo() = default;

AppInfo::~AppInfo() = default;

bool AppInfo::setupUpdateManager() {
    updateManager = std::make_unique<UpdateManager>(this);
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
