#include "suitcase/ResFile.h"

#include "base/ByteReader.h"
#include "platform/FileAttributes.h"
#include "platform/ForkStorage.h"
#include "platform/MacFiles.h"
#include "suitcase/ResStatus.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using enum fu::ResStatus;

namespace fu {
namespace {

using namespace platform;
using namespace std::chrono;

constexpr uint32_t kFond = fourCC("FOND");
constexpr uint32_t kSfnt = fourCC("sfnt");
constexpr uint32_t kVers = fourCC("vers");

class SuitcaseWriter : public test::SandboxTest {
protected:
    void TearDown() override { EXPECT_EQ(openForkCount(), 0u) << "a fork was left open"; }

    static std::string hex(const Bytes& bytes) { return *ResFile::hexStringFromData(bytes); }
    std::unique_ptr<ResFile> sampleModel(ByteView sfnt = sfntImage) {
        return sample::makeSampleSuitcaseModel(sfnt, {});
    }
    bool nothingAt(const std::string& name) {
        return !std::filesystem::exists(sandbox.path(name)) &&
               !std::filesystem::exists(sandbox.path("._" + name));
    }
    static uint32_t word(const Bytes& bytes, size_t offset) {
        uint32_t value = 0;
        EXPECT_TRUE(ByteReader(bytes).u32At(offset, value));
        return value;
    }

    static inline const Bytes sfntImage = sample::makeTrueTypeFont({});
};

TEST_F(SuitcaseWriter, WritesHeaderFillRecordsAndTheTemplatesMap) {
    auto model = sampleModel();
    const std::string path = sandbox.path("Suitcase");
    ASSERT_EQ(ResFile::exportSuitcaseFile(path, hex(model->orgResMapData), *model),
              ResStatus::resNoErr);

    const Bytes fork = *sample::readForkFile(path);
    EXPECT_EQ(word(fork, 0), 256u) << "data after the classic 240-byte fill";
    EXPECT_TRUE(std::all_of(fork.begin() + 16, fork.begin() + 256, [](uint8_t b) { return !b; }));
    EXPECT_EQ(Bytes(fork.begin() + word(fork, 4), fork.end()), model->orgResMapData)
        << "the sample template is the map of the file it describes";

    auto written = ResFile::initOfContentFile(path);
    ASSERT_EQ(written->loadStatus, ResStatus::resNoErr);
    ASSERT_EQ(written->resItemLists.size(), 3u);
    for (uint32_t type : {kFond, kSfnt, kVers}) {
        SCOPED_TRACE(fourCCString(type));
        ResItem* expected = model->resItemByIndex(0, type);
        ResItem* actual = written->resItemByIndex(0, type);
        ASSERT_NE(actual, nullptr);
        ASSERT_NE(actual->resData(), nullptr);
        EXPECT_EQ(*actual->resData(), *expected->resData());
    }
    EXPECT_EQ(written->resItemByIndex(0, kSfnt)->resAttr, 0x20) << "attributes from the template";

    EXPECT_EQ(ResFile::exportSuitcaseFile(path, hex(model->orgResMapData), *model), resErrCreate);
}

TEST_F(SuitcaseWriter, ModelsThatDoNotFitTheTemplateNeverCreateAFile) {
    auto renamed = sampleModel();
    renamed->resItemByIndex(0, kSfnt)->resName = "SampleMincho";
    EXPECT_EQ(ResFile::exportSuitcaseFile(sandbox.path("Renamed"), "*", *renamed),
              resErrModelMismatch);
    EXPECT_TRUE(nothingAt("Renamed"));

    auto fourTypes = sampleModel();
    auto extra = std::make_unique<ResItem>();
    extra->resType = fourCC("NFNT");
    extra->setResData(Bytes{1});
    ASSERT_TRUE(fourTypes->addResItem(std::move(extra)));
    EXPECT_EQ(ResFile::exportSuitcaseFile(sandbox.path("FourTypes"), "*", *fourTypes),
              resErrModelMismatch);
    EXPECT_TRUE(nothingAt("FourTypes"));

    auto padded = sampleModel();
    Bytes paddedMap = padded->orgResMapData;
    paddedMap.push_back(0); // a byte after the name list that no structure accounts for
    EXPECT_EQ(ResFile::exportSuitcaseFile(sandbox.path("Padded"), hex(paddedMap), *padded),
              resErrTemplateLength);
    EXPECT_TRUE(nothingAt("Padded"));

    EXPECT_EQ(ResFile::exportSuitcaseFile(sandbox.path("Odd"), "ABC", *padded), resErrNoTemplate);
}

TEST_F(SuitcaseWriter, RefusesDataPastTwentyFourBitOffsets) {
    // 'FOND' takes its record first, so an 'sfnt' this long ends past 0xFFFFFF.
    auto model = sampleModel();
    model->resItemByIndex(0, kSfnt)->setResData(Bytes(0x1000000 - 64, 0));
    EXPECT_EQ(ResFile::exportSuitcaseFile(sandbox.path("Huge"), "*", *model), resErrDataOffset);
    EXPECT_TRUE(nothingAt("Huge"));
}

TEST_F(SuitcaseWriter, RewritingWithTheLoadedMapIsStable) {
    const std::string first = sandbox.path("First");
    ASSERT_EQ(sample::writeSampleSuitcase(first, sfntImage), ResStatus::resNoErr);
    auto loaded = ResFile::initOfContentFile(first);
    ASSERT_EQ(ResFile::exportSuitcaseFile(sandbox.path("Second"), "*", *loaded),
              ResStatus::resNoErr);
    auto reloaded = ResFile::initOfContentFile(sandbox.path("Second"));
    ASSERT_EQ(ResFile::exportSuitcaseFile(sandbox.path("Third"), "*", *reloaded),
              ResStatus::resNoErr);

    const Bytes second = *sample::readForkFile(sandbox.path("Second"));
    EXPECT_EQ(*sample::readForkFile(first), second);
    EXPECT_EQ(*sample::readForkFile(sandbox.path("Third")), second);
}

TEST_F(SuitcaseWriter, WritesATemplateWithoutFill) {
    auto model = sampleModel();
    Bytes noFill = model->orgResMapData;
    noFill[2] = 0;
    noFill[3] = 16; // the template's data starts right after the header
    const std::string path = sandbox.path("NoFill");
    ASSERT_EQ(ResFile::exportSuitcaseFile(path, hex(noFill), *model), ResStatus::resNoErr);
    EXPECT_EQ(word(*sample::readForkFile(path), 0), 16u);
}

TEST_F(SuitcaseWriter, NewFilesBearTheDatesGivenInJapanTime) {
    auto model = sampleModel();
    const FileAttributes before = *model->resFileAttr;
    EXPECT_FALSE(ResFile::setCreateDateString("2014/03/01", "2014/03/01 09:00:00", *model));
    EXPECT_EQ(model->resFileAttr->creationDate, before.creationDate);
    EXPECT_EQ(model->resFileAttr->modificationDate, before.modificationDate);

    ASSERT_TRUE(ResFile::setCreateDateString("2014/03/01 09:00:00", "2014/03/01 09:00:00", *model));
    const std::string path = sandbox.path("Dated");
    ASSERT_EQ(ResFile::exportSuitcaseFile(path, "*", *model), ResStatus::resNoErr);
    const sys_seconds expected = sys_days{2014y / March / 1};
    auto written = ResFile::initOfContentFile(path);
    EXPECT_EQ(written->createDate(), expected);
    EXPECT_EQ(written->modifyDate(), expected);
}

} // namespace
} // namespace fu
