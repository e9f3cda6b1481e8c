#include "LogWriter.h"

#include "LogFileName.h"
#include "LogTexts.h"
#include "base/ProgramFolders.h"
#include "lang/LanguageTable.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#if defined(Q_OS_WIN)
#include <io.h>
#elif defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace {

// Hands what the system holds for the file to the disk. flush() alone leaves the lines in
// the system's cache, which a power cut in the car loses.
Result<> syncToDisk(QFile& file) {
    const int fd = file.handle();
    if (fd < 0) return {};
#if defined(Q_OS_WIN)
    if (_commit(fd) == 0) return {};
#elif defined(Q_OS_DARWIN)
    if (::fsync(fd) == 0) return {};
#elif defined(Q_OS_UNIX)
    int rc;
    do
        rc = ::fdatasync(fd);
    while (rc != 0 && errno == EINTR);
    if (rc == 0) return {};
#else
    return {};
#endif
    // A device that keeps nothing (a pipe, the null device) cannot sync and need not.
    if (errno == EINVAL) return {};
    return Failure{QString::fromLocal8Bit(std::strerror(errno))};
}

} // namespace

LogWriter::LogWriter(LogKind kind, const LanguageTable& language, MonotonicClock monotonic,
                     WallClock wallClock)
    : m_kind(kind), m_language(language), m_monotonic(std::move(monotonic)),
      m_wallClock(std::move(wallClock)) {
    m_systemClock.start();
    if (!m_monotonic) m_monotonic = [this] { return m_systemClock.elapsed(); };
    if (!m_wallClock) m_wallClock = [] { return QDateTime::currentDateTime(); };
}

LogWriter::~LogWriter() {
    close();
}

qint64 LogWriter::elapsedMs() const {
    return m_monotonic() - m_startMs;
}

bool LogWriter::append(const QByteArray& bytes) {
    const qint64 before = m_file.size();
    QString reason;
    errno = 0;
    const bool written = m_file.write(bytes) == bytes.size() && m_file.flush();
    if (!written) {
        // A write cut short by a full disk leaves no error in the file object; the system
        // still says why.
        reason = m_file.error() == QFileDevice::NoError && errno != 0
                     ? QString::fromLocal8Bit(std::strerror(errno))
                     : m_file.errorString();
    }
    if (written) {
        if (!m_syncToDisk) return true;
        const Result<> synced = syncToDisk(m_file);
        if (synced) return true;
        reason = synced.errorString();
    }
    // A disk that filled up mid-line leaves part of it: cut it off so that the file ends
    // on the last whole line and still opens cleanly in a spreadsheet.
    if (m_file.size() > before) m_file.resize(before);
    m_file.close();
    m_error = LogTexts::message(LogTexts::CannotWrite, m_language, m_path, reason);
    return false;
}

bool LogWriter::start(const Start& s) {
    close();
    m_error.clear();
    const Result<QString> name =
        resolveLogFileName(s.nameBoxText, s.folder, m_kind, m_wallClock(), m_language);
    if (!name) {
        m_error = name.errorString();
        return false;
    }
    m_path = *name;
    // An installed program's log folder is made on the first log; a subfolder the fitter
    // named is theirs to make.
    if (QFileInfo(m_path).absolutePath() == QDir(s.folder).absolutePath()) {
        const Result<> made = ProgramFolders::makeFolder(s.folder);
        if (!made) {
            m_error =
                LogTexts::message(LogTexts::CannotOpen, m_language, m_path, made.errorString());
            return false;
        }
    }
    m_file.setFileName(m_path);
    // Unbuffered: each line goes to the system as one write, so nothing waits in this
    // process when the power goes.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        m_error = LogTexts::message(LogTexts::CannotOpen, m_language, m_path, m_file.errorString());
        return false;
    }
    if (!append(LogLines::headers(m_kind, s.pcVersion, s.ecuVersion, s.parameters, m_language)))
        return false;
    m_startMs = m_monotonic();
    return true;
}

bool LogWriter::writeLine(const LiveData& live, int calPhase,
                          std::optional<LogLines::LogCell> cell) {
    if (!m_file.isOpen()) {
        m_error = LogTexts::message(LogTexts::CannotWrite, m_language, m_path);
        return false;
    }
    const qint64 elapsed = elapsedMs();
    return append(m_kind == LogKind::Live
                      ? LogLines::liveLine(elapsed, live)
                      : LogLines::calibrationLine(elapsed, live, calPhase, cell));
}

bool LogWriter::close() {
    if (!m_file.isOpen()) return true;
    // Once the fitter has stopped the log it is on the disk, whatever happens to the laptop.
    const Result<> synced = syncToDisk(m_file);
    m_file.close();
    if (!synced)
        m_error =
            LogTexts::message(LogTexts::CannotWrite, m_language, m_path, synced.errorString());
    return synced.ok();
}

LogWriter::Tick LogWriter::tick(Acquisition& state, const Start& start, const LiveData& live,
                                int calPhase, std::optional<LogLines::LogCell> cell) {
    switch (state) {
    case StartRequested:
        if (!this->start(start)) {
            state = Stopped;
            return Tick::Failed;
        }
        state = Logging;
        return Tick::Running;
    case Logging:
        if (!writeLine(live, calPhase, cell)) {
            state = Stopped;
            return Tick::Failed;
        }
        return Tick::Running;
    case Stopped:
        break;
    }
    state = Stopped;
    return close() ? Tick::Stopped : Tick::Failed;
}
