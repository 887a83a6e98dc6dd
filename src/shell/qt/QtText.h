// Conversions between the core's UTF-8 strings and rich text and Qt's types.
#pragma once

#include "definition/RichText.h"

#include <QString>

#include <optional>
#include <string>

class QTextDocument;

namespace fu::qt {

[[nodiscard]] inline QString toQString(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
[[nodiscard]] inline std::string toStdString(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return {utf8.constData(), size_t(utf8.size())};
}

// Replaces the document's whole content by the read-me's paragraphs and character attributes.
void setRichText(QTextDocument& document, const RichText& text);

} // namespace fu::qt
