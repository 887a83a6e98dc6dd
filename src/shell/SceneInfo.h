// The wizard's fixed course: an ordered list of scenes and the position of the one on screen.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fu {

class SceneItem {
public:
    [[nodiscard]] static std::unique_ptr<SceneItem>
    initWithViewNo(int64_t viewNo, std::string title, bool throughBack);

    int64_t viewNo = 0;
    std::string title;
    bool throughBack = false; // going back passes over this scene (the progress screens)
};

class SceneInfo {
public:
    [[nodiscard]] bool addSceneWithViewNo(int64_t viewNo, const std::string& title,
                                          bool throughBack);

    // Each answers null, leaving sceneIndex alone, when there is nowhere to go.
    [[nodiscard]] const SceneItem* startScene();
    [[nodiscard]] const SceneItem* nextScene();
    // The nearest earlier scene that going back may stop at.
    [[nodiscard]] const SceneItem* beforeScene();

    std::vector<std::unique_ptr<SceneItem>> scenes;
    int64_t sceneIndex = 0;
};

} // namespace fu
