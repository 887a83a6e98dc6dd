// The application state: everything the wizard keeps between screens. It is the engine's context
// too (the definition, the fonts found, the run's rights), which the engine is handed explicitly.
// It owns what it holds and releases it when it goes away.
#pragma once

#include "base/Bytes.h"
#include "definition/DefinitionPayload.h"
#include "definition/RichText.h"
#include "engine/UpdateContext.h"
#include "engine/UpdateManager.h"
#include "engine/UpdateResult.h"
#include "shell/SceneInfo.h"
#include "shell/ViewController.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace fu {

class AppInfo : public UpdateContext {
public:
    AppInfo();
    ~AppInfo() override;

    bool fupdefFail = false;      // the last definition load failed
    bool noSupportSystem = false; // the running system is older than reqSysVersStr
    bool dispFirstAlert = false;  // the read-me screen's start-up message has been shown
    bool externalFupdef = false;  // a definition was opened from outside
    // Why the last definition's payload was refused; None when it was not, or failed before.
    PayloadFailure fupdefPayloadFailure = PayloadFailure::None;

    // Lowest supported system version; empty until start-up sets it, and an empty requirement
    // is never met.
    std::string reqSysVersStr;

    // The loaded definition's read-me; nil until a load succeeds, cleared when the next one starts.
    std::unique_ptr<RichText> readMeText;
    // Last path component of the external definition that loaded; nil otherwise.
    std::optional<std::string> fupdefFileName;

    int64_t curViewNo = 0; // the view on screen; NoView = none
    // Controller of the wizard or result view on screen; null for the tool views.
    std::unique_ptr<ViewController> curViewController;
    std::unique_ptr<SceneInfo> sceneInfo; // the wizard course; start-up creates it
    // Outcome shown by the error screen.
    std::optional<UpdateResult> updateManagerResult;

    // ---- Loading a definition (AppInfoDefinition.cpp) ----

    // The built-in definition, the resource "UpdaterParam_OS10_10" of type "fupdef".
    [[nodiscard]] bool setupUpdaterParam();
    // A definition file the user opened.
    [[nodiscard]] bool setupUpateParamWithUrl(const std::string& path);
    // Checks and decrypts a container, then splits its payload; fupdefFail tells the outcome.
    [[nodiscard]] bool setupUpdaterParamWithEnData(ByteView container);
    // The same, taking the container's bytes over: they become definitionBytes without a copy.
    [[nodiscard]] bool setupUpdaterParamWithEnData(Bytes&& container);
    // Fills the buffer with the definition key derived from appCopyrightStr.
    [[nodiscard]] bool setByte(std::span<uint8_t> byte) const;

    // The decrypted payload: sections 'rdme', 'updp', 'scpt' and 'sets'. The sets' tables keep
    // copies of what they need.
    [[nodiscard]] bool setupUpdaterParamWithData(ByteView payload);
    [[nodiscard]] PayloadFailure splitPayload(ByteView payload);
    // The same for a payload that lies inside *buffer: the sets' tables share the buffer, so a
    // large table is never copied. Every section level is read in place.
    [[nodiscard]] PayloadFailure splitPayload(const std::shared_ptr<const Bytes>& buffer,
                                              ByteView payload);
    bool setupReadMeWithData(ByteView rtf);
    bool setupUpdaterParamTextWithData(ByteView text);
    bool setupUpdateTargetInfoWithText(const std::string& text);
    bool setupUpdateTargetInfoWithTextFilePath(const std::string& path);
    bool setupUpdateTargetInfoWithUpdaterParamText();
    [[nodiscard]] bool setupScriptInfoWidthData(ByteView text);
    // With a buffer, the bytes lie inside it and the tables share it, as in splitPayload.
    [[nodiscard]] bool
    setupUpdateSfntSetInfoWithData(ByteView sets,
                                   const std::shared_ptr<const Bytes>& buffer = nullptr);
    [[nodiscard]] bool
    addUpdateSfntSetItemWithData(ByteView set, UpdateSfntSetInfo* updateSfntSetInfo,
                                 const std::shared_ptr<const Bytes>& buffer = nullptr);

    // ---- Engine state ----

    std::unique_ptr<UpdateManager> updateManager;
    // A new manager, working on this state, for the next search or update run.
    bool setupUpdateManager();

    bool sceneDebug = false; // an authoring tool has been called up
    int64_t sceneDebugViewNo = 0;
    int64_t sceneDebugBackViewNo = 0;

    // The authoring tools' controllers (ParamToolView to CreateUserView), made on first use and
    // kept as long as the state, so that an editor's unsaved work survives a trip through the
    // wizard.
    std::unique_ptr<ViewController> paramToolController;
    std::unique_ptr<ViewController> targetEditController;
    std::unique_ptr<ViewController> clearCacheController;
    std::unique_ptr<ViewController> createNewController;
    std::unique_ptr<ViewController> fontListController;
    std::unique_ptr<ViewController> userUpdateController;
    std::unique_ptr<ViewController> createUserController;
    // The slot of a tool view's controller; null for any other number.
    [[nodiscard]] std::unique_ptr<ViewController>* toolControllerSlot(int64_t viewNo);
};

} // namespace fu
