#include "Commands.h"

#include "base/Bytes.h"
#include "base/Hex.h"
#include "platform/FileAttributes.h"
#include "platform/ForkStorage.h"
#include "platform/Text.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <iostream>

namespace fu::cli {

namespace {

nlohmann::ordered_json isoDate(const std::optional<std::chrono::sys_seconds>& date) {
    if (!date) return nullptr;
    const auto day = std::chrono::floor<std::chrono::days>(*date);
    const std::chrono::year_month_day ymd(day);
    const std::chrono::hh_mm_ss time(*date - day);
    char text[64];
    const int length =
        std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02lldZ", int(ymd.year()),
                      unsigned(ymd.month()), unsigned(ymd.day()), long(time.hours().count()),
                      long(time.minutes().count()), static_cast<long long>(time.seconds().count()));
    if (length < 0 || size_t(length) >= sizeof text) return nullptr;
    return text;
}

int printAttributes(const std::vector<std::string>& paths) {
    int exitCode = 0;
    for (const std::string& path : paths) {
        int16_t error = 0;
        auto attributes = platform::readAttributes(path, &error);
        if (!attributes) {
            std::cerr << "fupdef: " << path << ": no such file (" << error << ")\n";
            exitCode = 1;
            continue;
        }
        nlohmann::ordered_json forkLength = nullptr;
        if (attributes->type == platform::ItemType::Regular) {
            platform::ScopedFork fork(path, platform::fsRdPerm);
            if (auto size = fork.isOpen() ? platform::forkSize(fork.refNum()) : std::nullopt)
                forkLength = *size;
        }
        nlohmann::ordered_json line = {
            {"path", path},
            {"type", codeOrNull(attributes->hfsTypeCode)},
            {"creator", codeOrNull(attributes->hfsCreatorCode)},
            {"created", isoDate(attributes->creationDate)},
            {"modified", isoDate(attributes->modificationDate)},
            {"immutable", attributes->immutable.value_or(false)},
            {"dataLength", attributes->size.value_or(0)},
            {"forkLength", forkLength},
        };
        std::cout << line.dump() << '\n';
    }
    return exitCode;
}

} // namespace

std::string fourCharCodeText(uint32_t code) {
    const Bytes bytes{uint8_t(code >> 24), uint8_t(code >> 16), uint8_t(code >> 8), uint8_t(code)};
    bool ascii = true;
    for (uint8_t byte : bytes)
        ascii = ascii && byte >= 0x20 && byte < 0x7F;
    if (ascii) return toString(bytes);
    if (auto text = platform::decodeCharset(bytes, "macintosh")) return *text;
    return "0x" + hexNumber(code, 8);
}

nlohmann::ordered_json codeOrNull(const std::optional<uint32_t>& code) {
    if (!code) return nullptr;
    return fourCharCodeText(*code);
}

void addAttributesCommand(CLI::App& app, int& exitCode) {
    auto* command = app.add_subcommand(
        "attributes",
        "Print each Mac file's type, creator, dates, lock flag and sizes as JSON lines");
    auto paths = std::make_shared<std::vector<std::string>>();
    command->add_option("PATH", *paths, "Mac files (data file paths)")->required();
    command->callback([paths, &exitCode] { exitCode = printAttributes(*paths); });
}

} // namespace fu::cli
