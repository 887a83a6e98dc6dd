// What the user is told about a definition before anything of it runs: whether its signer is
// trusted, and every command an update run and the restart after it will execute, with whose
// rights. The wizard and fupdef show the same words.
#pragma once

#include "definition/DefinitionSignature.h"

#include <optional>
#include <string>

namespace fu {

class UpdateContext;

// The read-me screen's warning for a definition without a trusted signature; nullopt for one
// signed by a trusted key.
[[nodiscard]] std::optional<std::string>
untrustedDefinitionWarning(const SignatureVerification& signature);

// The question before an update run, followed by what the run will execute: with administrator
// rights (when a computer font is requested: the signer, the fonts' replacement and the cache
// script as the helper will run it) or as the user, and the restart script.
[[nodiscard]] std::string updateConfirmationText(const UpdateContext& info);

} // namespace fu
