#include "shell/qt/QtText.h"

#include <QColor>
#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace fu::qt {
namespace {

Qt::Alignment toQt(ParagraphAlignment alignment) {
    switch (alignment) {
    case ParagraphAlignment::Center: return Qt::AlignHCenter;
    case ParagraphAlignment::Right: return Qt::AlignRight;
    case ParagraphAlignment::Justified: return Qt::AlignJustify;
    case ParagraphAlignment::Left: break;
    }
    return Qt::AlignLeft;
}

QTextCharFormat toQt(const TextRun& run) {
    QTextCharFormat format;
    // Read-mes name Mac fonts that Linux does not have; the family is only a hint, so the
    // desktop's Japanese font fills in rather than a fallback chosen glyph by glyph.
    if (!run.fontName.empty()) format.setFontFamilies({toQString(run.fontName)});
    if (run.fontSize > 0) format.setFontPointSize(run.fontSize);
    format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(run.italic);
    format.setFontUnderline(run.underline);
    format.setForeground(QColor::fromRgb(run.color));
    return format;
}

} // namespace

void setRichText(QTextDocument& document, const RichText& text) {
    document.clear();
    QTextCursor cursor(&document);
    bool first = true;
    for (const RichParagraph& paragraph : text.paragraphs) {
        QTextBlockFormat block;
        block.setAlignment(toQt(paragraph.alignment));
        if (first) {
            cursor.setBlockFormat(block);
            first = false;
        } else {
            cursor.insertBlock(block);
        }
        for (const TextRun& run : paragraph.runs) {
            // U+2028 is Qt's own in-paragraph line break, so it can pass through unchanged.
            cursor.insertText(toQString(run.text), toQt(run));
        }
    }
}

} // namespace fu::qt
