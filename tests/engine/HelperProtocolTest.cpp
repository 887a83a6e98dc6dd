#include "engine/HelperProtocol.h"

#include <gtest/gtest.h>

#include <string>

namespace fu {
namespace {

using namespace std::string_literals;

const HelperRequest move{HelperVerb::Move, "/from/a b", "/to/\n", {}};
// A definition's bytes hold NULs and anything else: they are counted, never scanned.
const HelperRequest script{HelperVerb::RunScript, {}, {},
                           "OSAATSPingAuth",      {}, "\0RUN\0QUIT\0\xff"s};
const HelperRequest quit{HelperVerb::Quit, {}, {}, {}};

TEST(HelperRequestCoding, EveryRequestSurvivesEncodeAndParse) {
    for (const auto& request : {move, script, quit}) {
        const auto bytes = encodeHelperRequest(request);
        ASSERT_TRUE(bytes);
        const auto parse = parseHelperRequest(*bytes);
        EXPECT_EQ(parse.state, HelperParseState::Complete);
        EXPECT_EQ(parse.request, request);
        EXPECT_EQ(parse.consumed, bytes->size());
    }
    EXPECT_EQ(*encodeHelperRequest(move), "MOVE\0/from/a b\0/to/\n\0"s);
    EXPECT_EQ(*encodeHelperRequest(script), "RUN\0OSAATSPingAuth\0"
                                            "11\0\0RUN\0QUIT\0\xff"s);
}

TEST(HelperRequestCoding, ABufferYieldsOneRequestAtATime) {
    const std::string both = *encodeHelperRequest(script) + *encodeHelperRequest(quit);
    const auto first = parseHelperRequest(both);
    ASSERT_EQ(first.state, HelperParseState::Complete);
    EXPECT_EQ(first.request, script);
    EXPECT_EQ(parseHelperRequest(std::string_view(both).substr(first.consumed)).request, quit);
}

TEST(HelperRequestCoding, EveryTruncationIsIncomplete) {
    for (const auto& request : {move, script}) {
        const std::string bytes = *encodeHelperRequest(request);
        for (size_t length = 0; length < bytes.size(); ++length)
            EXPECT_EQ(parseHelperRequest(std::string_view(bytes).substr(0, length)).state,
                      HelperParseState::Incomplete)
                << length;
    }
}

TEST(HelperRequestCoding, MalformedRequestsAreInvalidAsSoonAsTheyShow) {
    // Script text is no request at all; a length has one spelling and a ceiling.
    for (const std::string& bytes :
         {"MOVX\0"s, "X"s, "QUITE"s, "MOVE\0\0/b\0"s, "SCRIPT\0touch /x\0"s,
          "RUN\0K\0"
          "0\0"s,
          "RUN\0K\0"
          "01\0x"s,
          "RUN\0K\0-1\0"s, "RUN\0K\0 1\0"s,
          "RUN\0K\0"
          "1x\0"s,
          "RUN\0K\0"s + std::to_string(helperMaxDefinitionLength + 1) + "\0"s,
          "RUN\0K\0"
          "99999999999999999999\0"s})
        EXPECT_EQ(parseHelperRequest(bytes).state, HelperParseState::Invalid) << bytes;
    // An oversized field is refused before its end arrives, so a buffer cannot grow unbounded.
    const std::string longPath = "MOVE\0/"s + std::string(helperMaxPathLength, 'a');
    EXPECT_EQ(parseHelperRequest(longPath).state, HelperParseState::Invalid);
}

TEST(HelperRequestCoding, FieldsThatCannotBeFramedAreNotEncoded) {
    EXPECT_FALSE(encodeHelperRequest({HelperVerb::Move, "/a\0b"s, "/c", {}}));
    EXPECT_FALSE(encodeHelperRequest({HelperVerb::Move, "/a", "", {}}));
    EXPECT_FALSE(encodeHelperRequest({HelperVerb::RunScript, {}, {}, "", {}, "definition"}));
    EXPECT_FALSE(encodeHelperRequest({HelperVerb::RunScript, {}, {}, "OSAATSPingAuth", {}, ""}));
}

TEST(HelperAnswerCoding, OnlyZeroAndNegativeDecimalsParse) {
    EXPECT_EQ(encodeHelperAnswer(errAuthorizationDenied), "-60005\n");
    EXPECT_EQ(parseHelperAnswer("0"), 0);
    EXPECT_EQ(parseHelperAnswer("-2147483648"), INT32_MIN);
    for (const char* line :
         {"", "-", "-0", "--5", "00", "1", "+1", "-48 ", " -48", "-2147483649", "READY"})
        EXPECT_FALSE(parseHelperAnswer(line)) << line;
}

TEST(HelperPaths, CleanAbsolutePathsOnly) {
    for (const char* path : {"/a", "/a/b c/._d", "/a/..b/.c"})
        EXPECT_TRUE(isCleanAbsolutePath(path)) << path;
    for (const char* path : {"", "/", "a/b", "/a//b", "/a/", "/a/./b", "/a/../b", "/a/.."})
        EXPECT_FALSE(isCleanAbsolutePath(path)) << path;
    EXPECT_FALSE(isCleanAbsolutePath("/a\0b"s));
    EXPECT_EQ(collapseSlashes("//a///b/"), "/a/b");
}

TEST(HelperArguments, FoldersSurviveTheCommandLine) {
    const HelperFolders folders{"/fonts", {"/support/app.temp"}, {"/trash/files", "/desk"}};
    EXPECT_EQ(parseHelperArguments(helperArguments(folders)), folders);
}

TEST(HelperArguments, AnythingElseIsRefused) {
    using Arguments = std::vector<std::string>;
    for (const Arguments& arguments :
         {Arguments{}, Arguments{"--temp", "/t"}, Arguments{"--fonts", "/f", "--fonts", "/g"},
          Arguments{"--fonts", "/f", "--other", "/o"}, Arguments{"--fonts"},
          Arguments{"--fonts", "f"}, Arguments{"--fonts", "/f", "--temp", "/a/../b"}})
        EXPECT_FALSE(parseHelperArguments(arguments)) << arguments.size();
}

} // namespace
} // namespace fu
