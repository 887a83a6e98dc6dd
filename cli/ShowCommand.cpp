#include "Commands.h"

#include "definition/DefinitionFile.h"
#include "definition/DefinitionKey.h"
#include "definition/DefinitionPayload.h"
#include "definition/DefinitionSignature.h"
#include "platform/Memory.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <memory>

namespace fu::cli {

namespace {

using Json = nlohmann::ordered_json;

struct ShowOptions {
    std::string path;
    bool json = false;
    std::string copyright = buildCopyrightString();
};

Json targetJson(const UpdateTargetItem& item) {
    // A field a parsed line lacks would be empty; every field of a listed target is there.
    auto field = [](const std::string& value) { return Json(value); };
    return Json{
        {"resName", field(item.resName)},       {"japanFullName", field(item.japanFullName)},
        {"oVersStr", field(item.oVersStr)},     {"checksum", field(item.checksum)},
        {"nVersStr", field(item.nVersStr)},     {"nSfntCDate", field(item.nSfntCDate)},
        {"nSfntMDate", field(item.nSfntMDate)}, {"nFileCDate", field(item.nFileCDate)},
        {"nFileMDate", field(item.nFileMDate)}, {"nResMapInfo", field(item.nResMapInfo)}};
}

Json tablesJson(const SfntData* data) {
    Json tables = Json::array();
    if (!data) return tables;
    for (const SfntTable& table : data->tables)
        tables.push_back(
            {{"tag", fourCharCodeText(table.tag)}, {"length", table.tableData.size()}});
    return tables;
}

Json signatureJson(const SignatureVerification& verification) {
    const char* status = "unsigned";
    switch (verification.status) {
    case SignatureStatus::Unsigned: return Json{{"status", status}};
    case SignatureStatus::SignedBy: status = "trusted"; break;
    case SignatureStatus::UnknownKey: status = "unknown-key"; break;
    case SignatureStatus::BadSignature: status = "bad-signature"; break;
    }
    Json result{{"status", status}, {"keyId", signingKeyIdText(verification.keyId)}};
    if (verification.status != SignatureStatus::UnknownKey)
        result["signer"] = verification.signerName;
    return result;
}

Json definitionJson(const DefinitionPayload& info) {
    Json targets = Json::array();
    if (info.updateTargetInfo)
        for (const auto& item : info.updateTargetInfo->updateTargetItems)
            targets.push_back(targetJson(*item));
    Json sets = Json::array();
    if (info.updateSfntSetInfo)
        for (const auto& set : info.updateSfntSetInfo->items)
            sets.push_back({{"name", set->name},
                            {"old", tablesJson(set->oSfntData.get())},
                            {"new", tablesJson(set->nSfntData.get())}});
    Json scripts = Json::object();
    if (info.scriptInfo)
        for (const auto& [key, text] : info.scriptInfo->scriptDict)
            scripts[key] = text;
    return Json{{"readme", info.readMeText ? Json(info.readMeText->plainText()) : Json(nullptr)},
                {"targets", targets},
                {"sets", sets},
                {"scripts", scripts}};
}

void printText(const Json& definition, const SignatureVerification& signature) {
    std::cout << "Signature: " << describeSignature(signature) << "\n\n";
    std::cout << "Read-me:\n";
    if (definition["readme"].is_string()) std::cout << definition["readme"].get<std::string>();
    std::cout << "\n\nTargets: " << definition["targets"].size() << '\n';
    size_t index = 0;
    for (const auto& target : definition["targets"]) {
        std::cout << "  [" << index++ << "]\n";
        for (const auto& [key, value] : target.items())
            std::cout << "    " << key << ": "
                      << (value.is_string() ? value.get<std::string>() : "(none)") << '\n';
    }
    std::cout << "\nSets: " << definition["sets"].size() << '\n';
    index = 0;
    for (const auto& set : definition["sets"]) {
        std::cout << "  [" << index++ << "] " << set["name"].get<std::string>() << '\n';
        for (const char* side : {"old", "new"}) {
            std::cout << "    " << side << ':';
            for (const auto& table : set[side])
                std::cout << " '" << table["tag"].get<std::string>() << "' "
                          << table["length"].get<size_t>();
            std::cout << '\n';
        }
    }
    std::cout << "\nScripts: " << definition["scripts"].size() << '\n';
    for (const auto& [key, value] : definition["scripts"].items())
        std::cout << "  " << key << ": " << value.get<std::string>() << '\n';
}

int runShow(const ShowOptions& options) {
    int error = 0;
    auto bytes = readDefinitionFile(options.path, &error);
    if (!bytes) {
        std::cerr << "fupdef: cannot read " << options.path << ": "
                  << platform::bulkFileErrorText(error) << '\n';
        return 1;
    }
    // Decrypted where it lies: a large definition is held once, and its sets read in place.
    const OpenedDefinitionInPlace opened =
        openSignedDefinitionInPlace(*bytes, options.copyright, cliTrustStore());
    if (opened.container.failure != ContainerFailure::None) {
        std::cerr << "fupdef: " << options.path
                  << " refused: " << describeContainerFailure(opened.container.failure) << '\n';
        return 1;
    }
    const auto payloadAt = static_cast<size_t>(opened.container.payload.data() - bytes->data());
    const size_t payloadLength = opened.container.payload.size();
    const auto buffer = std::make_shared<const Bytes>(std::move(*bytes));
    DefinitionPayload info;
    if (auto failure = splitDefinitionPayload(
            buffer, ByteView(*buffer).subspan(payloadAt, payloadLength), info);
        failure != PayloadFailure::None) {
        std::cerr << "fupdef: " << options.path << " refused: " << describePayloadFailure(failure)
                  << '\n';
        return 1;
    }
    Json definition = definitionJson(info);
    if (options.json) {
        definition["signature"] = signatureJson(opened.signature);
        std::cout << definition.dump(2) << '\n';
    } else {
        printText(definition, opened.signature);
    }
    return 0;
}

} // namespace

void addShowCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ShowOptions>();
    auto* command = app.add_subcommand("show", "Decrypt, verify and print an update definition");
    command->add_option("DEF", options->path, ".fupdef file")->required();
    command->add_flag("--json", options->json, "print JSON");
    command->add_option("--copyright", options->copyright, "copyright string that seeds the key")
        ->capture_default_str();
    command->callback([options, &exitCode] { exitCode = runShow(*options); });
}

} // namespace fu::cli
