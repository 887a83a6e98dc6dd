// The toolkit-free decisions of the application delegate, and the one way every layer reaches
// the application state.
#pragma once

#include "engine/StatusCodes.h"
#include "shell/AppInfo.h"
#include "shell/AppWindow.h"
#include "shell/ViewController.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace fu {

class AppDelegate {
public:
    // The window stays the caller's; the factory becomes the delegate's. The newest delegate is
    // the application's until it goes.
    AppDelegate(AppWindow* window, std::unique_ptr<ViewControllerFactory> factory);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The application's delegate, or null.
    [[nodiscard]] static AppDelegate* appDelegate();
    // The application state, or null before start-up and after termination. Main thread only.
    [[nodiscard]] static AppInfo* appInfo();
    // Start-up installs the state; installing null, or another state, releases the one held.
    static void setAppInfo(std::unique_ptr<AppInfo> appInfo);
    // Hands the held state to the caller and leaves none installed.
    [[nodiscard]] static std::unique_ptr<AppInfo> releaseAppInfo();

    // The font message shown for a font's non-zero updateResult.
    [[nodiscard]] static FontMessage updateItemStatusFromUpdateFontItemResult(ItemResult result);

    // ---- Platform callbacks ----

    void applicationDidFinishLaunching();
    // Opens a definition from outside: kept for start-up when it comes early (answers NO then),
    // loaded and the wizard restarted at the read-me screen otherwise.
    [[nodiscard]] bool applicationOpenFile(const std::string& path);
    void applicationWillTerminate();
    void applicationDidBecomeActive();
    // The close button never closes the window; Quit is the way out.
    [[nodiscard]] bool windowShouldClose() const { return false; }

    // ---- Scenes ----

    [[nodiscard]] bool setupScene();
    void startScene();
    void nextScene();
    void beforeScene();
    void notfoundScene();
    void someErrorScene();
    void allErrorScene();
    void successPlusScene();
    void someErrorPlusScene();
    void errorScene(const UpdateResult& result);
    // The Quit button of the wizard and result screens.
    void endScene();
    // Runs the restart script, then quits whatever it answered; answers the script's outcome.
    [[nodiscard]] bool restartScene();
    [[nodiscard]] bool changeToNewView(int64_t viewNo, const std::string& title);
    // The Quit menu command.
    void terminate();

    // ---- Authoring tools: record which tool was called up; the view stays ----

    void startEditTarget();
    void startFontList();
    void startUserUpdateEdit();
    void startParamTool();
    void startClearCache();
    void startCreateNew();
    void startCreateUser();
    // The editor menu commands: an editor on screen with unsaved changes decides first.
    void actionEditTarget();
    void actionFontList();
    void actionUserUpdateEdit();

    // ---- External definitions ----

    [[nodiscard]] bool setupExternalFupdef(const std::string& path);
    void executeFupdef(const std::string& path);

    // A definition file handed over before start-up finished.
    std::optional<std::string> rounchOpenFilePath;
    // A definition handed over while a run or its outcome was on screen; shown when the user
    // leaves the outcome.
    [[nodiscard]] const std::optional<std::string>& pendingFupdefPath() const {
        return pendingFupdefPath_;
    }

private:
    void showScene(const SceneItem* scene);
    void startTool(int64_t viewNo, std::optional<int64_t> backViewNo);
    bool editorAsksFirst(int64_t requestedViewNo);
    void quit();
    void openPendingFupdef();

    AppWindow* window_;
    std::unique_ptr<ViewControllerFactory> factory_;
    std::optional<std::string> pendingFupdefPath_;
    // Set once the application was asked to quit: nothing runs twice on the way out.
    bool terminating_ = false;
};

} // namespace fu
