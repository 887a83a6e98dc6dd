// The update engine's library of class methods. It holds no state; its topics are spread over
// FontUpdate*.cpp files, one per topic, in the order of the headings below.
#pragma once

#include <optional>
#include <string>

namespace fu {

class FontUpdate {
public:
    FontUpdate() = delete;

    // ---- System version (FontUpdateSystem.cpp) ----

    // The one place that fixes the lowest system version the application runs on.
    [[nodiscard]] static std::string lowestSupportedSystemVersion();

    // The running system's version as dotted numbers, nil when neither source answers.
    [[nodiscard]] static std::optional<std::string> systemVersionString();
    [[nodiscard]] static std::optional<std::string> systemVersionStringNew();
    [[nodiscard]] static std::optional<std::string> systemVersionStringLegacey();

    // YES when the running system is at least the required version.
    [[nodiscard]] static bool checkSystemVersWithSupportVersString(const std::string& supportVers);
    // The same comparison for a given system version text: up to three dotted numbers each,
    // compared as numbers, major first.
    [[nodiscard]] static bool checkSystemVersString(const std::string& systemVers,
                                                    const std::string& supportVers);
};

} // namespace fu
