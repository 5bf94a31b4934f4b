// Clipboard sensitivity: whether the general pasteboard offers a type that
// marks its data transient or concealed. Only type names are read.
#pragma once

namespace frontmost::platform {

bool pasteboard_sensitive();

}  // namespace frontmost::platform
