#include "shell/SceneInfo.h"

#include <new>

namespace fu {

std::unique_ptr<SceneItem> SceneItem::initWithViewNo(int64_t viewNo, std::string title,
                                                     bool throughBack) {
    std::unique_ptr<SceneItem> item(new (std::nothrow) SceneItem());
    if (!item) return nullptr;
    item->viewNo = viewNo;
    item->title = std::move(title);
    item->throughBack = throughBack;
    return item;
}

bool SceneInfo::addSceneWithViewNo(int64_t viewNo, const std::string& title, bool throughBack) {
    auto item = SceneItem::initWithViewNo(viewNo, title, throughBack);
    if (!item) return false;
    try {
        scenes.push_back(std::move(item));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

const SceneItem* SceneInfo::startScene() {
    if (scenes.empty()) return nullptr;
    sceneIndex = 0;
    return scenes.front().get();
}

const SceneItem* SceneInfo::nextScene() {
    const auto next = sceneIndex + 1;
    if (next < 0 || next >= static_cast<int64_t>(scenes.size())) return nullptr;
    sceneIndex = next;
    return scenes[static_cast<size_t>(next)].get();
}

const SceneItem* SceneInfo::beforeScene() {
    const auto count = static_cast<int64_t>(scenes.size());
    for (int64_t i = (sceneIndex > count ? count : sceneIndex) - 1; i >= 0; --i) {
        const SceneItem* item = scenes[static_cast<size_t>(i)].get();
        if (!item->throughBack) {
            sceneIndex = i;
            return item;
        }
    }
    return nullptr;
}

} // namespace fu
