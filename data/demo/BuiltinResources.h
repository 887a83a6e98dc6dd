// The resources compiled into the application: the built-in update definition.
#pragma once

namespace fu {

// Puts the built-in definition into the ResourceRegistry as "UpdaterParam_OS10_10" of type
// "fupdef". Called once at start-up, before the definition is loaded; calling it again only
// replaces the same bytes.
void registerBuiltinResources();

} // namespace fu
