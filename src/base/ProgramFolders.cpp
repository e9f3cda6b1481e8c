#include "base/ProgramFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>

namespace {

const QString kLanguageFile = QStringLiteral("Stringhe312.txt");
const QString kConfigFile = QStringLiteral("Config.ini");

} // namespace

ProgramFolders::UserFolders ProgramFolders::systemUserFolders() {
    return {QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), QDir::homePath()};
}

ProgramFolders ProgramFolders::portable(const QString& programDir) {
    ProgramFolders f;
    f.m_sharedFolder = programDir;
    f.m_userFolder = programDir;
    f.m_fallbackFolder = programDir;
    return f;
}

ProgramFolders ProgramFolders::forProgram(const QString& programDir, const UserFolders& user) {
    const QDir program(programDir);
    const bool holdsLanguage = QFileInfo(program.filePath(kLanguageFile)).isFile();
    if (holdsLanguage && QFileInfo(programDir).isWritable()) return portable(programDir);

    ProgramFolders f;
    f.m_portable = false;
    f.m_sharedFolder =
        holdsLanguage ? programDir
                      : QDir::cleanPath(program.filePath(QStringLiteral(TARVEX_SHARED_FROM_BIN)));
    f.m_userConfigFolder = QDir(user.config).filePath(QStringLiteral("tarvex"));
    // A system that names no documents folder still has a home.
    const QString documents = user.documents.isEmpty() ? user.home : user.documents;
    f.m_userFolder = QDir(documents).filePath(QStringLiteral("TARVEX"));
    f.m_fallbackFolder = user.home;
    return f;
}

QString ProgramFolders::languageFile() const {
    return QDir(m_sharedFolder).filePath(kLanguageFile);
}

QStringList ProgramFolders::configCandidates() const {
    QStringList candidates;
    if (!m_userConfigFolder.isEmpty()) candidates << QDir(m_userConfigFolder).filePath(kConfigFile);
    candidates << QDir(m_sharedFolder).filePath(kConfigFile);
    return candidates;
}

QString ProgramFolders::configFile() const {
    const QStringList candidates = configCandidates();
    for (const QString& path : candidates)
        if (QFileInfo::exists(path)) return path;
    return candidates.first();
}

Result<> ProgramFolders::makeFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (info.isDir()) return {};
    if (info.exists()) return Failure{QStringLiteral("a file of that name is in the way")};
    // mkpath gives no reason, but the system call that refused leaves it in errno.
    errno = 0;
    if (QDir().mkpath(folder)) return {};
    return Failure{errno != 0 ? qt_error_string(errno)
                              : QStringLiteral("the folder cannot be created")};
}
