#include "shell/AppInfo.h"

namespace fu {

AppInfo::AppInfo() = default;

AppInfo::~AppInfo() = default;

bool AppInfo::setupUpdateManager() {
    updateManager = std::make_unique<UpdateManager>(this);
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
