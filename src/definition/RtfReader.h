// Reads the read-me's RTF into RichText: the part of RTF 1.9.1 that TextEdit (Cocoa) and older
// Mac and Windows writers use for styled text. Everything else a document holds is skipped.
#pragma once

#include "base/Bytes.h"
#include "definition/RichText.h"

#include <optional>

namespace fu {

// nullopt only when the bytes are not RTF: they must begin with "{\rtf", with an optional UTF-8
// byte-order mark and white space before and after the brace. Anything else is read as far as it
// goes: a document cut short ends where its bytes end, text after its closing brace is ignored,
// groups nested unreasonably deep are skipped with their content, and characters that do not
// decode are left out and counted in RichText::undecodable.
[[nodiscard]] std::optional<RichText> readRtf(ByteView bytes);

} // namespace fu
