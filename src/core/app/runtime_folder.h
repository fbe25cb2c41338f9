#pragma once

// Without XDG_RUNTIME_DIR the toolkit warns on the console at every start and falls back to a
// folder of its own in /tmp. The program gives it that same folder itself, after making sure it
// is a folder of this account that no one else can enter; otherwise it leaves the variable unset.
// Call it before the application object is made.

namespace orvela {

void ProvideRuntimeFolder();

} // namespace orvela
