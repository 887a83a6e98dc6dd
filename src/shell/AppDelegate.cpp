#include "shell/AppDelegate.h"

#include "engine/FontUpdate.h"
#include "engine/StatusCodes.h"
#include "shell/ViewNumbers.h"

#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

namespace fu {
namespace {

AppDelegate*& currentDelegate() {
    static AppDelegate* delegate = nullptr;
    return delegate;
}

// The wizard course and the result screens: each has a controller of its own, made afresh
// every time it is shown.
bool isWizardView(int64_t viewNo) {
    return (viewNo >= ReadMeView && viewNo <= SuccessView) ||
           (viewNo >= SuccessPlusView && viewNo <= ErrorView);
}

// The editors whose unsaved work must be asked about before it goes.
bool isEditorView(int64_t viewNo) {
    return viewNo == TargetEditView || viewNo == FontListView || viewNo == UserUpdateView;
}

// While a search or update runs, or its outcome is up, a restart from the top would lose it.
bool keepsCurrentScene(int64_t viewNo) {
    return viewNo == CheckNowView || viewNo == UpdateNowView || viewNo == NotFoundView ||
           viewNo == SuccessView || viewNo == ErrorView;
}

// A run on screen, or its outcome: a definition handed over now waits, so the user sees how the
// run ended before the wizard starts over.
bool holdsHandedOverDefinition(int64_t viewNo) {
    return viewNo == CheckNowView || viewNo == UpdateNowView || viewNo == SuccessView ||
           (viewNo >= SuccessPlusView && viewNo <= ErrorView);
}

// The file URL of a handed-over path; nothing for a path that names no file.
std::optional<std::string> fileUrlPath(const std::string& path) {
    if (path.empty()) return std::nullopt;
    std::error_code error;
    auto absolute = std::filesystem::absolute(path, error);
    if (error) return std::nullopt;
    return absolute.string();
}

std::unique_ptr<AppInfo>& heldAppInfo() {
    static std::unique_ptr<AppInfo> held;
    return held;
}

} // namespace

AppDelegate::AppDelegate(AppWindow* window, std::unique_ptr<ViewControllerFactory> factory)
    : window_(window), factory_(std::move(factory)) {
    currentDelegate() = this;
}

AppDelegate::~AppDelegate() {
    if (currentDelegate() == this) currentDelegate() = nullptr;
}

AppDelegate* AppDelegate::appDelegate() { return currentDelegate(); }

AppInfo* AppDelegate::appInfo() { return heldAppInfo().get(); }

void AppDelegate::setAppInfo(std::unique_ptr<AppInfo> appInfo) {
    // Swap first, release after: a destructor that asks for the state sees the new one.
    std::unique_ptr<AppInfo> previous = std::exchange(heldAppInfo(), std::move(appInfo));
    previous.reset();
}

std::unique_ptr<AppInfo> AppDelegate::releaseAppInfo() {
    return std::exchange(heldAppInfo(), nullptr);
}

FontMessage AppDelegate::updateItemStatusFromUpdateFontItemResult(ItemResult result) {
    return fontMessageCodeOfItemResult(result);
}

} // namespace fu

namespace fu {

// ---- Platform callbacks ----

void AppDelegate::applicationDidFinishLaunching() {
    std::unique_ptr<AppInfo> created(new (std::nothrow) AppInfo());
    if (!created) return;
    // The system check itself belongs to the read-me screen, which can say what is wrong.
    created->reqSysVersStr = FontUpdate::lowestSupportedSystemVersion();
    setAppInfo(std::move(created));
    AppInfo* info = appInfo();
    // Without a course the scene switches stay idle; the window stays empty and Quit still works.
    (void)setupScene();

    if (rounchOpenFilePath) {
        const auto url = fileUrlPath(*rounchOpenFilePath);
        if (!url) return;
        if (!setupExternalFupdef(*url)) info->fupdefFail = true;
        rounchOpenFilePath.reset();
    } else if (!info->setupUpdaterParam()) {
        info->fupdefFail = true;
    }
    // A run that a crash or a kill cut short is finished or undone before anything looks at
    // fonts, and the user hears what was found.
    std::vector<std::string> repaired = FontUpdate::repairInterruptedUpdates();
    for (std::string& line : FontUpdate::computerUpdatesAwaitingRepair())
        repaired.push_back(std::move(line));
    if (!repaired.empty() && window_) {
        std::string notice;
        for (const std::string& line : repaired)
            notice += line + "\n";
        window_->showNotice(notice);
    }
    // Window restoration from the previous run is a macOS user default; here there is nothing
    // to turn off.
    startScene();
}

bool AppDelegate::applicationOpenFile(const std::string& path) {
    if (path.empty()) return false;
    rounchOpenFilePath = path;
    AppInfo* info = appInfo();
    if (!info) return false; // start-up picks it up
    rounchOpenFilePath.reset();
    if (holdsHandedOverDefinition(info->curViewNo)) {
        pendingFupdefPath_ = path;
        return true;
    }
    if (!setupExternalFupdef(fileUrlPath(path).value_or(std::string()))) info->fupdefFail = true;
    rounchOpenFilePath.reset();
    startScene();
    return true;
}

void AppDelegate::applicationWillTerminate() { setAppInfo(nullptr); }

void AppDelegate::applicationDidBecomeActive() {
    // Fonts and free space may have changed while the user was elsewhere.
    AppInfo* info = appInfo();
    if (info && info->curViewNo == UpdateListView && info->curViewController) {
        info->curViewController->updateView();
    }
}

// ---- Scenes ----

bool AppDelegate::setupScene() {
    AppInfo* info = appInfo();
    if (!info) return false;
    std::unique_ptr<SceneInfo> scenes(new (std::nothrow) SceneInfo());
    if (!scenes) return false;
    const bool added =
        scenes->addSceneWithViewNo(ReadMeView, "お読みください", false) &&
        scenes->addSceneWithViewNo(CheckFontView, "アップデート対象フォントの検索", false) &&
        scenes->addSceneWithViewNo(CheckNowView, "対象フォントの検索", true) &&
        scenes->addSceneWithViewNo(UpdateListView, "アップデート対象フォント一覧", false) &&
        scenes->addSceneWithViewNo(UpdateNowView, "フォントのアップデート中", true) &&
        scenes->addSceneWithViewNo(SuccessView, "アップデート完了", false);
    info->sceneInfo = std::move(scenes);
    return added;
}

void AppDelegate::showScene(const SceneItem* scene) {
    if (scene) (void)changeToNewView(scene->viewNo, scene->title);
}

void AppDelegate::startScene() {
    AppInfo* info = appInfo();
    if (!info || !info->sceneInfo || keepsCurrentScene(info->curViewNo)) return;
    const SceneItem* first = info->sceneInfo->startScene();
    if (!first) return;
    info->updateManagerResult.reset();
    showScene(first);
}

void AppDelegate::nextScene() {
    AppInfo* info = appInfo();
    if (info && info->sceneInfo) showScene(info->sceneInfo->nextScene());
}

void AppDelegate::beforeScene() {
    AppInfo* info = appInfo();
    if (info && info->sceneInfo) showScene(info->sceneInfo->beforeScene());
}

// The result screens lie off the course: the course position stays where the run left it.
void AppDelegate::notfoundScene() {
    AppInfo* info = appInfo();
    if (info && info->sceneInfo) (void)changeToNewView(NotFoundView, "検索結果");
}

void AppDelegate::someErrorScene() {
    AppInfo* info = appInfo();
    if (info && info->sceneInfo) (void)changeToNewView(SomeErrorView, "アップデート結果");
}

void AppDelegate::allErrorScene() {
    AppInfo* info = appInfo();
    if (info && info->sceneInfo) (void)changeToNewView(AllErrorView, "アップデート結果");
}

void AppDelegate::successPlusScene() {
    AppInfo* info = appInfo();
    if (info && info->sceneInfo) (void)changeToNewView(SuccessPlusView, "アップデート完了");
}

void AppDelegate::someErrorPlusScene() {
    AppInfo* info = appInfo();
    if (info && info->sceneInfo) (void)changeToNewView(SomeErrorPlusView, "アップデート結果");
}

void AppDelegate::errorScene(const UpdateResult& result) {
    AppInfo* info = appInfo();
    if (!info || !info->sceneInfo) return;
    info->updateManagerResult = result;
    (void)changeToNewView(ErrorView, "エラー");
}

void AppDelegate::endScene() {
    AppInfo* info = appInfo();
    if (info && pendingFupdefPath_ && !terminating_) {
        // The user leaves the outcome of the run for the definition handed over meanwhile.
        openPendingFupdef();
        return;
    }
    if (!info || !info->sceneDebug) {
        terminate();
        return;
    }
    // Called up from a tool: go back to the editor the author came from.
    switch (info->sceneDebugBackViewNo) {
    case UserUpdateView: startUserUpdateEdit(); break;
    case FontListView: startFontList(); break;
    default: startEditTarget(); break;
    }
}

bool AppDelegate::restartScene() {
    // A second press while the first restart is on its way out must not restart again.
    if (terminating_) return false;
    terminating_ = true;
    AppInfo* info = appInfo();
    std::string said;
    const bool restarted =
        FontUpdate::restartComputerWithScriptInfo(info ? info->scriptInfo.get() : nullptr, &said);
    if (window_ && said.find_first_not_of(" \t\r\n") != std::string::npos) {
        window_->showNotice(said);
    }
    // The fonts are already in place; staying open after a failed restart helps no one.
    if (window_) window_->terminate();
    return restarted;
}

void AppDelegate::quit() {
    terminating_ = true;
    if (window_) window_->terminate();
}

void AppDelegate::openPendingFupdef() {
    std::optional<std::string> path = std::exchange(pendingFupdefPath_, std::nullopt);
    AppInfo* info = appInfo();
    if (!path || !info) return;
    if (!setupExternalFupdef(fileUrlPath(*path).value_or(std::string()))) info->fupdefFail = true;
    startScene();
}

bool AppDelegate::changeToNewView(int64_t viewNo, const std::string& title) {
    AppInfo* info = appInfo();
    if (!info || !window_ || viewNo == info->curViewNo) return false;

    // The parameter tool edits the built-in definition, so an opened file's name would mislead.
    const std::string windowTitle =
        info->externalFupdef && info->fupdefFileName && viewNo != ParamToolView
            ? title + "（" + *info->fupdefFileName + "）"
            : title;

    if (isWizardView(viewNo)) {
        std::unique_ptr<ViewController> controller =
            factory_ ? factory_->makeViewController(viewNo) : nullptr;
        if (!controller) return false;
        if (viewNo == ErrorView && info->updateManagerResult) {
            controller->setUpdateResult(*info->updateManagerResult);
        }
        window_->setTitle(windowTitle);
        window_->setContentViewAnimation(controller.get());
        info->curViewNo = viewNo;
        ViewController* shown = controller.get();
        info->curViewController = std::move(controller);
        // Shown only once it has its content, so the window comes up in its place and size.
        if (viewNo == ReadMeView && !window_->isVisible()) window_->bringToFront();
        if (viewNo == ReadMeView) shown->startupMassegaeWithWindow(*window_);
        // A search that found fonts is over: the definition handed over during it comes next.
        if (pendingFupdefPath_ && !holdsHandedOverDefinition(viewNo)) openPendingFupdef();
        return true;
    }

    if (std::unique_ptr<ViewController>* slot = info->toolControllerSlot(viewNo)) {
        if (!*slot) {
            *slot = factory_ ? factory_->makeViewController(viewNo) : nullptr;
            if (!*slot) return false;
        }
        // The batch tools run beside the editors and need not take the focus.
        const bool takesFront = viewNo == ParamToolView || viewNo == TargetEditView ||
                                viewNo == FontListView || viewNo == UserUpdateView;
        window_->setTitle(windowTitle);
        window_->setContentViewAnimation(slot->get());
        if (takesFront && !window_->isVisible()) window_->bringToFront();
        info->curViewNo = viewNo;
        info->curViewController.reset();
        return true;
    }

    window_->setTitle(std::string());
    window_->setContentViewAnimation(nullptr);
    info->curViewNo = NoView;
    info->curViewController.reset();
    return false;
}

void AppDelegate::terminate() {
    AppInfo* info = appInfo();
    if (!info) {
        quit();
        return;
    }
    switch (info->curViewNo) {
    case TargetEditView:
    case FontListView:
    case UserUpdateView:
        if (auto* slot = info->toolControllerSlot(info->curViewNo); *slot) {
            (*slot)->askDiscard("terminate");
        }
        quit();
        return;
    // The batch tools are left for the editor they belong to.
    case CreateNewView: startEditTarget(); return;
    case CreateUserView: startUserUpdateEdit(); return;
    // A running search or update cannot be interrupted.
    case CheckNowView:
    case UpdateNowView: return;
    // An outcome is on screen: whatever tool was called up, the run is over.
    case NotFoundView:
    case SuccessView:
    case ErrorView: quit(); return;
    default:
        if (info->sceneDebug) {
            startEditTarget();
        } else {
            quit();
        }
        return;
    }
}

// ---- Authoring tools ----

void AppDelegate::startTool(int64_t viewNo, std::optional<int64_t> backViewNo) {
    AppInfo* info = appInfo();
    if (!info) return;
    info->sceneDebug = true;
    info->sceneDebugViewNo = viewNo;
    if (backViewNo) info->sceneDebugBackViewNo = *backViewNo;
}

void AppDelegate::startEditTarget() { startTool(TargetEditView, TargetEditView); }
void AppDelegate::startFontList() { startTool(FontListView, FontListView); }
void AppDelegate::startUserUpdateEdit() { startTool(UserUpdateView, UserUpdateView); }
void AppDelegate::startParamTool() { startTool(ParamToolView, std::nullopt); }
void AppDelegate::startClearCache() { startTool(ClearCacheView, std::nullopt); }
void AppDelegate::startCreateNew() { startTool(CreateNewView, std::nullopt); }
void AppDelegate::startCreateUser() { startTool(CreateUserView, std::nullopt); }

bool AppDelegate::editorAsksFirst(int64_t requestedViewNo) {
    AppInfo* info = appInfo();
    if (!info || !isEditorView(info->curViewNo) || info->curViewNo == requestedViewNo) return false;
    std::unique_ptr<ViewController>* slot = info->toolControllerSlot(info->curViewNo);
    if (!*slot || !(*slot)->checkModify()) return false;
    (*slot)->askChangeView(requestedViewNo);
    return true;
}

void AppDelegate::actionEditTarget() {
    if (!editorAsksFirst(TargetEditView)) startEditTarget();
}

void AppDelegate::actionFontList() {
    if (!editorAsksFirst(FontListView)) startFontList();
}

void AppDelegate::actionUserUpdateEdit() {
    if (!editorAsksFirst(UserUpdateView)) startUserUpdateEdit();
}

// ---- External definitions ----

bool AppDelegate::setupExternalFupdef(const std::string& path) {
    AppInfo* info = appInfo();
    if (!info) return false;
    const std::string name = std::filesystem::path(path).filename().string();
    const bool loaded = !name.empty() && info->setupUpateParamWithUrl(path);
    // Either way the wizard starts over at the read-me screen, which reports a failure; a
    // cleared curViewNo lets it come up again even when it is already on screen.
    info->dispFirstAlert = false;
    info->fupdefFileName = loaded ? std::optional<std::string>(name) : std::nullopt;
    info->externalFupdef = true;
    info->curViewNo = NoView;
    info->curViewController.reset();
    return loaded;
}

void AppDelegate::executeFupdef(const std::string& path) {
    AppInfo* info = appInfo();
    if (!info) return;
    if (!setupExternalFupdef(path)) info->fupdefFail = true;
    startScene();
}

} // namespace fu
