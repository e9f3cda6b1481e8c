#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

// The storage under an open file goes away before the file is closed: the descriptor this
// process holds for `path` is swapped for one that allows no I/O, so the next sync fails with
// EBADF and the close that follows is harmless. Linux only (it finds the descriptor through
// /proc/self/fd); false elsewhere, or when `path` is not open.
inline bool breakSyncOf(const QString& path) {
#ifdef Q_OS_LINUX
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& fd :
         fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (fd.symLinkTarget() != target) continue;
        const int held = fd.fileName().toInt();
        const int pathOnly = ::open(QFile::encodeName(target).constData(), O_PATH | O_CLOEXEC);
        if (pathOnly < 0) return false;
        const bool swapped = ::dup2(pathOnly, held) == held;
        ::close(pathOnly);
        return swapped;
    }
#else
    Q_UNUSED(path);
#endif
    return false;
}
