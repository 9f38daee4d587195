// Which build of the player this is, for `velmora --version`.
#pragma once

namespace velmora {

// `git describe --always --dirty` of the source tree at build time ("22dde86a1f", with "-dirty"
// when it had changes); empty when the tree was built without git.
const char* buildDescription();

}  // namespace velmora
