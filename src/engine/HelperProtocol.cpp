#include "engine/HelperProtocol.h"

#include <array>
#include <charconv>
#include <limits>
#include <optional>

namespace fu {
namespace {

struct VerbSpelling {
    HelperVerb verb;
    std::string_view word;
    size_t fieldCount;
    size_t fieldLimit;
};

// RUN's two NUL-ended fields are its key and the length of the bytes that follow them.
constexpr std::array<VerbSpelling, 4> verbs{{
    {HelperVerb::Move, "MOVE", 2, helperMaxPathLength},
    {HelperVerb::Swap, "SWAP", 3, helperMaxPathLength},
    {HelperVerb::RunScript, "RUN", 2, helperMaxScriptKeyLength},
    {HelperVerb::Quit, "QUIT", 0, 0},
}};

// Plain decimal, no sign and no leading zero, so that one length has one spelling.
std::optional<size_t> parseLength(std::string_view digits) {
    if (digits.empty() || (digits.size() > 1 && digits.front() == '0')) return std::nullopt;
    size_t value = 0;
    const auto [stop, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || stop != digits.data() + digits.size()) return std::nullopt;
    return value;
}

const VerbSpelling* spellingOf(HelperVerb verb) {
    for (const auto& spelling : verbs)
        if (spelling.verb == verb) return &spelling;
    return nullptr;
}

bool couldStillBeAVerb(std::string_view start) {
    for (const auto& spelling : verbs)
        if (spelling.word.starts_with(start)) return true;
    return false;
}

HelperParse invalid() { return HelperParse{HelperParseState::Invalid, {}, 0}; }

} // namespace

HelperParse parseHelperRequest(std::string_view buffer) {
    const size_t verbEnd = buffer.find('\0');
    if (verbEnd == std::string_view::npos)
        return couldStillBeAVerb(buffer) ? HelperParse{} : invalid();
    const VerbSpelling* spelling = nullptr;
    for (const auto& candidate : verbs)
        if (candidate.word == buffer.substr(0, verbEnd)) spelling = &candidate;
    if (!spelling) return invalid();

    std::vector<std::string_view> fields;
    size_t position = verbEnd + 1;
    while (fields.size() < spelling->fieldCount) {
        const size_t end = buffer.find('\0', position);
        if (end == std::string_view::npos)
            return buffer.size() - position > spelling->fieldLimit ? invalid() : HelperParse{};
        const size_t length = end - position;
        if (length == 0 || length > spelling->fieldLimit) return invalid();
        fields.push_back(buffer.substr(position, length));
        position = end + 1;
    }

    HelperParse parse{HelperParseState::Complete, {}, position};
    parse.request.verb = spelling->verb;
    if (spelling->verb == HelperVerb::Move || spelling->verb == HelperVerb::Swap) {
        parse.request.from = fields[0];
        parse.request.to = fields[1];
        if (spelling->verb == HelperVerb::Swap) parse.request.backup = fields[2];
    } else if (spelling->verb == HelperVerb::RunScript) {
        const auto length = parseLength(fields[1]);
        if (!length || *length == 0 || *length > helperMaxDefinitionLength) return invalid();
        if (buffer.size() - position < *length) return HelperParse{};
        parse.request.scriptKey = fields[0];
        parse.request.definition = buffer.substr(position, *length);
        parse.consumed = position + *length;
    }
    return parse;
}

std::optional<std::string> encodeHelperRequest(const HelperRequest& request) {
    const VerbSpelling* spelling = spellingOf(request.verb);
    if (!spelling) return std::nullopt;
    std::vector<const std::string*> fields;
    const std::string length = std::to_string(request.definition.size());
    if (request.verb == HelperVerb::Move) fields = {&request.from, &request.to};
    if (request.verb == HelperVerb::Swap) fields = {&request.from, &request.to, &request.backup};
    if (request.verb == HelperVerb::RunScript) {
        if (request.definition.empty() || request.definition.size() > helperMaxDefinitionLength)
            return std::nullopt;
        fields = {&request.scriptKey, &length};
    }

    std::string bytes(spelling->word);
    bytes.push_back('\0');
    for (const std::string* field : fields) {
        if (field->empty() || field->size() > spelling->fieldLimit ||
            field->find('\0') != std::string::npos)
            return std::nullopt;
        bytes += *field;
        bytes.push_back('\0');
    }
    if (request.verb == HelperVerb::RunScript) bytes += request.definition;
    return bytes;
}

std::string encodeHelperAnswer(int32_t status) { return std::to_string(status) + "\n"; }

std::optional<int32_t> parseHelperAnswer(std::string_view line) {
    if (line == "0") return 0;
    if (line.size() < 2 || line.size() > helperMaxAnswerLength || line[0] != '-' || line[1] < '1' ||
        line[1] > '9')
        return std::nullopt;
    int64_t magnitude = 0;
    const char* end = line.data() + line.size();
    auto [stop, error] = std::from_chars(line.data() + 1, end, magnitude);
    if (error != std::errc() || stop != end ||
        magnitude > -int64_t{std::numeric_limits<int32_t>::min()})
        return std::nullopt;
    return static_cast<int32_t>(-magnitude);
}

ItemResult itemResultOfSwapAnswer(int32_t answer) {
    return itemResultFromCode(answer).value_or(ItemResult::ItemMoveNewToFontsFailed);
}

bool isCleanAbsolutePath(std::string_view path) {
    if (path.size() < 2 || path.front() != '/' || path.find('\0') != std::string_view::npos)
        return false;
    size_t start = 1;
    for (;;) {
        const size_t slash = path.find('/', start);
        const std::string_view component = path.substr(start, slash - start);
        if (component.empty() || component == "." || component == "..") return false;
        if (slash == std::string_view::npos) return true;
        start = slash + 1;
    }
}

std::string collapseSlashes(std::string_view path) {
    std::string result;
    result.reserve(path.size());
    for (char c : path)
        if (c != '/' || result.empty() || result.back() != '/') result.push_back(c);
    if (result.size() > 1 && result.back() == '/') result.pop_back();
    return result;
}

std::vector<std::string> helperArguments(const HelperFolders& folders) {
    std::vector<std::string> arguments{"--fonts", folders.fonts};
    for (const auto& folder : folders.temporary)
        arguments.insert(arguments.end(), {"--temp", folder});
    for (const auto& folder : folders.backupParents)
        arguments.insert(arguments.end(), {"--backup-parent", folder});
    return arguments;
}

std::optional<HelperFolders> parseHelperArguments(const std::vector<std::string>& arguments) {
    HelperFolders folders;
    bool haveFonts = false;
    for (size_t i = 0; i < arguments.size(); i += 2) {
        if (i + 1 >= arguments.size() || !isCleanAbsolutePath(arguments[i + 1]))
            return std::nullopt;
        const std::string& option = arguments[i];
        const std::string& folder = arguments[i + 1];
        if (option == "--fonts") {
            if (haveFonts) return std::nullopt;
            folders.fonts = folder;
            haveFonts = true;
        } else if (option == "--temp") {
            folders.temporary.push_back(folder);
        } else if (option == "--backup-parent") {
            folders.backupParents.push_back(folder);
        } else {
            return std::nullopt;
        }
    }
    if (!haveFonts) return std::nullopt;
    return folders;
}

} // namespace fu
