#include "platform/Memory.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace fu {
namespace {

using namespace platform;
using test::SandboxTest;

constexpr size_t kMB = size_t{1} << 20;

// A buffer as a read leaves it: full, every byte set.
Bytes filled(size_t capacity, uint8_t value) {
    Bytes buffer = reserveBulkBuffer(capacity);
    buffer.resize(capacity, value);
    return buffer;
}

class BulkBuffers : public ::testing::Test {
protected:
    void SetUp() override { releaseSpareBulkBuffers(); }
    void TearDown() override { releaseSpareBulkBuffers(); }
};

TEST_F(BulkBuffers, ARecycledBufferServesTheNextRequestItHoldsEmptyAndWithoutMoving) {
    Bytes first = filled(10 * kMB + 3, 0xAA);
    const uint8_t* storage = first.data();
    const size_t room = first.capacity();
    // Rounded up to whole large pages, so a file a little larger than this one fits too.
    EXPECT_GE(room, 10 * kMB + 3);
    EXPECT_EQ(room % (2 * kMB), 0u);
    recycleBulkBuffer(std::move(first));
    EXPECT_EQ(spareBulkBytes(), room);

    const Bytes larger = reserveBulkBuffer(room + 1);
    EXPECT_GE(larger.capacity(), room + 1);
    EXPECT_EQ(spareBulkBytes(), room) << "a buffer too small for the request was handed out";

    Bytes again = reserveBulkBuffer(10 * kMB + 100);
    EXPECT_EQ(again.data(), storage);
    EXPECT_TRUE(again.empty());
    EXPECT_EQ(spareBulkBytes(), 0u);
    again.resize(10 * kMB + 100);
    EXPECT_EQ(again.data(), storage) << "filling within the room moved the buffer";
}

TEST_F(BulkBuffers, TheLeastRoomThatFitsIsTakenAndThePoolStaysBounded) {
    Bytes eight = filled(8 * kMB, 1), sixteen = filled(16 * kMB, 2),
          twentyFour = filled(24 * kMB, 3);
    const uint8_t* middle = sixteen.data();
    recycleBulkBuffer(std::move(twentyFour));
    recycleBulkBuffer(std::move(sixteen));
    recycleBulkBuffer(std::move(eight));
    EXPECT_EQ(reserveBulkBuffer(12 * kMB).data(), middle);

    // Small buffers are the allocator's business, not the pool's.
    const size_t before = spareBulkBytes();
    recycleBulkBuffer(filled(64 << 10, 4));
    recycleBulkBuffer(Bytes(kMB));
    EXPECT_EQ(spareBulkBytes(), before);

    // Made before any is handed back, or each would simply take the last one's place.
    releaseSpareBulkBuffers();
    std::vector<Bytes> many;
    many.reserve(8);
    for (int i = 0; i < 8; ++i)
        many.push_back(filled(20 * kMB, 5));
    for (Bytes& buffer : many)
        recycleBulkBuffer(std::move(buffer));
    EXPECT_LE(spareBulkBytes(), size_t{80} << 20);
    EXPECT_GE(spareBulkBytes(), 40 * kMB) << "the pool cannot hold one font's buffers";

    releaseSpareBulkBuffers();
    EXPECT_EQ(spareBulkBytes(), 0u);
    EXPECT_GE(reserveBulkBuffer(20 * kMB).capacity(), 20 * kMB);
}

using BulkReads = SandboxTest;

TEST_F(BulkReads, AFileReadIntoARecycledBufferIsTheFileAndNothingOfWhatWasThere) {
    releaseSpareBulkBuffers();
    Bytes contents(9 * kMB + 7);
    for (size_t i = 0; i < contents.size(); ++i)
        contents[i] = static_cast<uint8_t>(i * 31 + 7);
    const std::string path = sandbox.path("bulk");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(contents.data()), std::streamsize(contents.size()));

    // A spare with room to spare, full of other bytes: the read must end at the file's end.
    Bytes stale = filled(12 * kMB, 0xEE);
    const uint8_t* storage = stale.data();
    recycleBulkBuffer(std::move(stale));
    int error = 0;
    const std::optional<Bytes> read = readBulkFile(path, 64 * kMB, &error);
    ASSERT_TRUE(read) << bulkFileErrorText(error);
    EXPECT_EQ(read->data(), storage);
    EXPECT_EQ(*read, contents);
    releaseSpareBulkBuffers();
}

} // namespace
} // namespace fu
