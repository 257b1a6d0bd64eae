#pragma once

#include <QString>

#include "platform/Result.h"

// A folder for this user's local sockets that no other user can enter, nor
// put anything in, nor replace: $XDG_RUNTIME_DIR when it is one (a folder of
// ours, not a symbolic link, closed to group and others), else
// "netkestrel-<uid>" in the temporary folder, made for the purpose and
// checked the same way. A socket whose name any user could take first (the
// temporary folder itself) would let that user answer in our place.
namespace RuntimeFolder {

// Never ends in a separator.
Result<QString> resolve();

} // namespace RuntimeFolder
