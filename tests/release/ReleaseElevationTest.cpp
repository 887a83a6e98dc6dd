// A build not made for tests takes neither the elevation command nor the helper from the
// environment: whoever sets them cannot choose what the administrator's password starts.
#include "engine/Authorization.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fu {
namespace {

namespace fs = std::filesystem;

TEST(ReleaseElevation, TheEnvironmentChoosesNeitherTheLauncherNorTheHelper) {
    test::Sandbox sandbox;
    const std::string marker = sandbox.path("launched");
    const std::string body = "#!/bin/sh\ntouch '" + marker + "'\nexec \"$@\"\n";
    const std::string launcher = sandbox.writeFile("launch.sh", Bytes(body.begin(), body.end()));
    fs::permissions(launcher, fs::perms::owner_all);
    const std::string fakeHelper = sandbox.writeFile("helper.sh", Bytes(body.begin(), body.end()));
    fs::permissions(fakeHelper, fs::perms::owner_all);
    fs::create_directories(sandbox.path("system-fonts"));
    setenv("FONTUPDATER_ELEVATE", launcher.c_str(), 1);
    setenv("FONTUPDATER_HELPER", fakeHelper.c_str(), 1);

    Authorization authorization;
    // As root the helper beside this program starts directly; as anybody else pkexec asks, and
    // without an agent to ask through it refuses. Either way the launcher never runs.
    const int32_t status = Authorization::startAuthorization(&authorization);
    if (::geteuid() == 0) {
        EXPECT_EQ(status, 0);
    }
    Authorization::stopAuthorization(&authorization);
    unsetenv("FONTUPDATER_ELEVATE");
    unsetenv("FONTUPDATER_HELPER");
    EXPECT_FALSE(fs::exists(marker)) << "the environment's launcher or helper ran";
}

} // namespace
} // namespace fu
