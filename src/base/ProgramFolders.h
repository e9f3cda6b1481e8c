#pragma once

#include "base/Result.h"

#include <QString>
#include <QStringList>

// Where the program finds its own files and where it keeps a user's.
//
// A portable copy is a folder the fitter copied whole: the executable, Config.ini and the
// language file side by side, writable. Everything stays in that folder, vehicle archive and
// logs included, so the folder can be carried to the next laptop as it is.
//
// An installed program sits in a folder its users may not write (/usr/bin), and one machine
// may have several users. Its language file and default Config.ini are read from the shared
// data folder; a user's own Config.ini, if any, comes first; vehicles and logs go to a
// TARVEX folder in the user's documents, so each user keeps their own cars.
class ProgramFolders {
public:
    // The user's folders as the system names them; tests give temporary ones.
    struct UserFolders {
        QString config;    // where per-user settings live (~/.config)
        QString documents; // the user's documents (~/Documents)
        QString home;
    };
    static UserFolders systemUserFolders();

    // A portable copy in `programDir`, whatever that folder holds.
    static ProgramFolders portable(const QString& programDir);
    // Decides from what the executable's folder holds: portable when it holds the language
    // file and may be written, installed otherwise. An installed program's shared files are
    // beside the executable when the language file is there (a read-only copy), else in the
    // data folder the package puts them in.
    static ProgramFolders forProgram(const QString& programDir, const UserFolders& user);

    bool isPortable() const { return m_portable; }
    QString languageFile() const;
    // The Config.ini files to try, first found wins.
    QStringList configCandidates() const;
    // The first candidate that exists; the user's own one when none does, so that a message
    // names where the fitter may put one.
    QString configFile() const;
    // Where the vehicle archive and the logs go, and a relative log name is taken.
    QString userFolder() const { return m_userFolder; }
    // Where a file dialog opens when the user folder cannot be had: somewhere the user may
    // still write.
    QString fallbackFolder() const { return m_fallbackFolder; }

    // Creates `folder` and its parents when missing. Fails with the system's reason when it
    // cannot be had (a file in the way, no permission); what is there already is untouched.
    static Result<> makeFolder(const QString& folder);

private:
    bool m_portable = true;
    QString m_sharedFolder;
    QString m_userConfigFolder; // empty when portable
    QString m_userFolder;
    QString m_fallbackFolder;
};
