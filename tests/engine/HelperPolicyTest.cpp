// The folders the caller names for the helper serve only while they are the caller's own.
#include "engine/HelperPolicy.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fu {
namespace {

namespace fs = std::filesystem;

class HelperFolderOwners : public test::SandboxTest {
protected:
    void SetUp() override {
        fs::create_directories(fonts);
        fs::create_directories(trash + "/Sub");
    }
    [[nodiscard]] HelperPolicy policyFor(unsigned long caller) const {
        return HelperPolicy::withFolders(HelperFolders{fonts, {}, {trash}}, caller).value();
    }
    const std::string fonts = sandbox.path("system-fonts");
    const std::string trash = sandbox.path("Trash");
    const unsigned long self = ::geteuid();
    const unsigned long stranger = self == 0 ? 65534 : self + 1;
};

TEST_F(HelperFolderOwners, AFolderOfSomebodyElseServesNoCaller) {
    EXPECT_TRUE(policyFor(self).openFolder(trash));
    EXPECT_TRUE(policyFor(self).openFolder(trash + "/Sub"));
    EXPECT_FALSE(policyFor(stranger).openFolder(trash)) << "the Trash is not the caller's";
    EXPECT_FALSE(policyFor(stranger).openFolder(trash + "/Sub"));
    // The computer's folder is root's, not the caller's: it is judged by its place alone.
    EXPECT_TRUE(policyFor(stranger).openFolder(fonts));
    if (self == 0) {
        // Root may work in anybody's folders; the stranger, once it owns the Trash, in its own.
        ASSERT_EQ(::chown(trash.c_str(), uid_t(stranger), gid_t(-1)), 0);
        EXPECT_TRUE(policyFor(0).openFolder(trash));
        EXPECT_TRUE(policyFor(stranger).openFolder(trash));
    }
}

} // namespace
} // namespace fu
