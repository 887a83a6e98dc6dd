// What crafted files cost the commands that read them: forks whose maps describe far more than
// they hold (65,535 types sharing reference lists; 87,000 references sharing one long name), each
// put in the user's Fonts folder and read by `fupdef resources --json`, `fupdef inspect
// --definition` and `fupdef search`. Each run prints its time and peak memory against the goal:
// within a second, and within 64 MB + 4 x the file. Then the search's own cases: one record named
// by thousands of references, and a definition of equal targets and sets.
#include "BenchSupport.h"
#include "HostileSearchCases.h"

#include "support/DefinitionBuilder.h"
#include "support/EngineFixture.h"
#include "support/HostileForks.h"
#include "support/SampleSuitcase.h"
#include "support/Sandbox.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace fu;

namespace {

struct Case {
    std::string label;
    Bytes fork;
};

// Runs the command with its output in `output` and its messages dropped.
int runInto(const std::vector<std::string>& arguments, const std::string& output) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int null = open("/dev/null", O_WRONLY);
    if (out < 0 || null < 0 || dup2(out, STDOUT_FILENO) < 0 || dup2(null, STDERR_FILENO) < 0)
        return 126;
    execv(argv[0], argv.data());
    return 127;
}

// How many times `needle` occurs in the file: the fonts a search listed, say.
size_t occurrences(const std::string& path, const std::string& needle) {
    const Bytes bytes = test::readWholeFile(path);
    const std::string text(bytes.begin(), bytes.end());
    size_t count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++count;
    return count;
}

} // namespace

int main(int argc, char** argv) {
    const std::string fupdef =
        argc > 1 ? argv[1] : (std::filesystem::path(argv[0]).parent_path() / "fupdef").string();
    test::Sandbox sandbox;
    const test::EngineSample sample = test::makeEngineSample(sandbox);
    const std::string definition = sandbox.writeFile(
        "bench.fupdef", test::signedByThisBuild(test::sealedDefinition(sample.sources)));
    const std::string fonts = sandbox.path("home/.local/share/fonts");

    test::SuitcaseResources font;
    font.resName = "SampleGothic";
    font.fond = sample::makeFondResource(16384, 16384);
    font.vers = sample::makeVersResource("1.0.1", "1.0.1, (C) Font Updater sample").value();
    font.sfnt = sample.oldFont;
    Bytes plain;
    {
        const std::string path = sandbox.path("plain/Sample Gothic");
        test::installOldSuitcase(sample, path);
        plain = sample::readForkFile(path).value();
    }
    const std::vector<Case> cases = {
        {"a real suitcase, for comparison", plain},
        {"65,535 types, reference lists shared", test::forkOfOverlappingTypes(font, 65535)},
        {"87,000 references, one 255-byte name", test::forkOfSharedNames(87000)},
    };

    std::printf("%-40s %-10s %10s %8s %10s %10s  %s\n", "fork", "command", "fork bytes", "seconds",
                "peak MB", "goal MB", "within");
    bool allWithin = true;
    for (size_t i = 0; i < cases.size(); ++i) {
        std::filesystem::remove_all(fonts);
        std::filesystem::create_directories(fonts);
        const std::string path = fonts + "/Crafted " + std::to_string(i);
        if (sample::writeForkFile(path, cases[i].fork) != 0) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        const std::vector<std::pair<std::string, std::vector<std::string>>> commands = {
            {"resources", {fupdef, "resources", "--json", path}},
            {"inspect",
             {fupdef, "inspect", "--json", "--definition", definition, "--copyright",
              test::kTestCopyright, path}},
            {"search",
             {fupdef, "search", "--json", "--copyright", test::kTestCopyright, definition}},
        };
        const double goalMB = 64.0 + 4.0 * double(cases[i].fork.size()) / (1 << 20);
        for (const auto& command : commands) {
            const std::string& name = command.first;
            const std::vector<std::string>& arguments = command.second;
            const std::string output = sandbox.path("output.txt");
            const bench::ChildRun run = bench::inChild([&] { return runInto(arguments, output); });
            const double peakMB = double(run.peakKilobytes) / 1024;
            const bool within = run.seconds <= 1.0 && peakMB <= goalMB;
            allWithin = allWithin && within;
            std::printf("%-40s %-10s %10zu %8.3f %10.1f %10.1f  %s (exit %d",
                        cases[i].label.c_str(), name.c_str(), cases[i].fork.size(), run.seconds,
                        peakMB, goalMB, within ? "yes" : "NO", run.status);
            if (name == "search") std::printf(", %zu listed", occurrences(output, "\"path\""));
            std::printf(")\n");
        }
    }
    std::printf("\n");
    const int searchCases = bench::benchSearchCases();
    return allWithin && searchCases == 0 ? 0 : 1;
}
