// The toolkit-free decisions of the application delegate, and the one way every layer reaches
// the application state.
#pragma once

#include "shell/AppInfo.h"

#include <cstdint>
#include <memory>

namespace fu {

class AppDelegate {
public:
    // The application state, or null before start-up and after termination. Main thread only.
    [[nodiscard]] static AppInfo* appInfo();
    // Start-up installs the state; installing null, or another state, releases the one held.
    static void setAppInfo(std::unique_ptr<AppInfo> appInfo);
    // Hands the held state to the caller and leaves none installed.
    [[nodiscard]] static std::unique_ptr<AppInfo> releaseAppInfo();

    // The font message code shown for a font's non-zero updateResult.
    [[nodiscard]] static int16_t updateItemStatusFromUpdateFontItemResult(int16_t result);
};

} // namespace fu
