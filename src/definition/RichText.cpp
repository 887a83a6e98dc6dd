#include "definition/RichText.h"

#include <utility>

namespace fu {

bool TextRun::sameAttributes(const TextRun& other) const {
    return fontName == other.fontName && fontSize == other.fontSize && bold == other.bold &&
           italic == other.italic && underline == other.underline && color == other.color;
}

void RichParagraph::append(TextRun run) {
    if (run.text.empty()) return;
    if (!runs.empty() && runs.back().sameAttributes(run)) {
        runs.back().text += run.text;
        return;
    }
    runs.push_back(std::move(run));
}

std::string RichText::plainText() const {
    std::string text;
    for (size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0) text += '\n';
        for (const TextRun& run : paragraphs[i].runs) {
            std::string_view rest = run.text;
            for (size_t at = rest.find(kLineSeparator); at != std::string_view::npos;
                 at = rest.find(kLineSeparator)) {
                text.append(rest.substr(0, at));
                text += '\n';
                rest.remove_prefix(at + kLineSeparator.size());
            }
            text.append(rest);
        }
    }
    return text;
}

bool RichText::empty() const {
    return paragraphs.size() <= 1 && (paragraphs.empty() || paragraphs.front().runs.empty());
}

} // namespace fu
