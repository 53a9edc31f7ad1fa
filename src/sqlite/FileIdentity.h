#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// What tells one file from another on its file system: the device and the inode. A file keeps its
// identity when it is renamed or given a second name; a file put in another's place brings its own.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;

    bool operator==(const FileIdentity&) const = default;

    // The identity of the file the path names now (a symbolic link is followed); absent when the path
    // names nothing or cannot be reached.
    [[nodiscard]] static std::optional<FileIdentity> of(const QString& path);
};
