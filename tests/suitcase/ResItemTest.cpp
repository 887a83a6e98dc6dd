#include "suitcase/ResItem.h"

#include "platform/ForkStorage.h"
#include "platform/OSStatus.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

namespace fu {
namespace {

using namespace platform;

class ResItemData : public test::SandboxTest {
protected:
    void TearDown() override { EXPECT_EQ(openForkCount(), 0u) << "a fork was left open"; }

    // A Mac file whose fork holds a 4-byte length word and `data`.
    std::string macFile(const std::string& name, const std::string& data) {
        EXPECT_EQ(createFileWithEmptyFork(sandbox.root(), name), noErr);
        const std::string path = sandbox.path(name);
        rewriteFork(path, data);
        return path;
    }
    static void rewriteFork(const std::string& path, const std::string& data) {
        ScopedFork fork(path, fsRdWrPerm);
        ASSERT_TRUE(fork.isOpen());
        const Bytes lengthWord{0, 0, 0, static_cast<uint8_t>(data.size())};
        ASSERT_EQ(writeFork(fork.refNum(), fsFromStart, 0, lengthWord).status, noErr);
        ASSERT_EQ(writeFork(fork.refNum(), fsAtMark, 0, asBytes(data)).status, noErr);
    }
    static ResItem itemAt(const std::string& path, uint32_t offset, uint32_t length) {
        ResItem item;
        item.resDataFilePath = path;
        item.resDataFileOffset = offset;
        item.resDataLength = length;
        return item;
    }
    static std::string text(const Bytes* bytes) {
        return bytes ? toString(*bytes) : std::string("(nothing)");
    }
};

TEST_F(ResItemData, LoadsOnFirstUseKeepsWhatItHoldsAndReloadsAfterFree) {
    const std::string path = macFile("Font", "abcd");
    ResItem item = itemAt(path, 4, 4);
    EXPECT_FALSE(item.hasResData());
    EXPECT_EQ(text(item.resData()), "abcd");
    EXPECT_TRUE(item.hasResData());

    rewriteFork(path, "WXYZ");
    EXPECT_EQ(text(item.resData()), "abcd") << "held bytes are not read again";
    item.freeResData();
    EXPECT_EQ(text(item.resData()), "WXYZ");
}

TEST_F(ResItemData, HoldsNothingUnlessExactlyTheStoredLengthCame) {
    const std::string path = macFile("Font", "abcd");
    ResItem pastTheEnd = itemAt(path, 4, 5);
    EXPECT_EQ(pastTheEnd.resData(), nullptr);
    EXPECT_FALSE(pastTheEnd.hasResData());
    ResItem noOffset = itemAt(path, 0, 4);
    EXPECT_EQ(noOffset.resData(), nullptr);
    ResItem missingFile = itemAt(sandbox.path("Missing"), 4, 4);
    EXPECT_EQ(missingFile.resData(), nullptr);
    EXPECT_EQ(ResItem().resData(), nullptr);
}

TEST_F(ResItemData, SetDataReplacesTheBytesButNotTheStoredLength) {
    ResItem item = itemAt(macFile("Font", "abcd"), 4, 4);
    item.setResData(Bytes{'n', 'e', 'w', '!', '!'});
    EXPECT_EQ(text(item.resData()), "new!!");
    EXPECT_EQ(item.resDataLength, 4u);
    item.setResData(std::nullopt);
    EXPECT_EQ(text(item.resData()), "abcd");
}

} // namespace
} // namespace fu
