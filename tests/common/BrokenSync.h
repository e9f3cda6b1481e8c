#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

// The descriptor through which this process holds `path` open, or -1 (found through
// /proc/self/fd: Linux only, -1 elsewhere).
inline int descriptorOf(const QString& path) {
#ifdef Q_OS_LINUX
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& fd :
         fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        if (fd.symLinkTarget() == target) return fd.fileName().toInt();
#else
    Q_UNUSED(path);
#endif
    return -1;
}

// The storage under an open file goes away before the file is closed: the descriptor this
// process holds for `path` is swapped for one that allows no I/O, so the next sync fails with
// EBADF and the close that follows is harmless. False when `path` is not open (or not on
// Linux).
inline bool breakSyncOf(const QString& path) {
#ifdef Q_OS_LINUX
    const int held = descriptorOf(path);
    if (held < 0) return false;
    const QByteArray target = QFile::encodeName(QFileInfo(path).canonicalFilePath());
    const int pathOnly = ::open(target.constData(), O_PATH | O_CLOEXEC);
    if (pathOnly < 0) return false;
    const bool swapped = ::dup2(pathOnly, held) == held;
    ::close(pathOnly);
    return swapped;
#else
    Q_UNUSED(path);
    return false;
#endif
}
