#pragma once

#include <QString>
#include <functional>

// Files written whole or not at all: the content goes into a new hidden file beside the
// target, which then takes the target's place in one step.
namespace output {

// Creates a new, empty hidden file in folder under a name nobody holds; false with the reason
// when the folder cannot take one.
bool createPartFile(const QString& folder, QString& partPath, QString& reason);

// write(part, reason) fills the part file, which only its owner may read until it is done; it
// then replaces path (a file there is replaced in
// one step, keeping its permissions and owner; a symbolic link is written through to the file
// it names). A path that names no regular file (a folder, device, pipe or socket) is refused.
// On any failure no part file stays, an existing file at path is as it was, and reason says
// why.
bool writeWhole(const QString& path,
                const std::function<bool(const QString& part, QString& reason)>& write,
                QString& reason);

} // namespace output
