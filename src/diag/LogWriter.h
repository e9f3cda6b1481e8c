#pragma once

#include "Acquisition.h"
#include "LogLines.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <array>
#include <functional>

class LanguageTable;
class ParameterSet;

// One acquisition log file, shared by the live screen and the automatic calibration screen.
// The screen's 50 ms log timer calls tick(); START and STOP only change the acquisition
// state, as the fitter's buttons do.
//
// Every line is handed to the system before the call returns, so nothing waits in this
// process: a program that is closed or crashes loses no line, and the system has it on disk
// within seconds. Closing the log forces it onto the disk. (Forcing every line onto the disk
// costs a few milliseconds of the screen's thread on each 50 ms tick, and on a busy disk a
// stall of more than one tick; see the live benchmark.) When the file cannot be opened or
// written the writer says why, closes it and keeps every complete line already there.
class LogWriter {
public:
    // Milliseconds from a monotonic clock (never steps back with the wall clock).
    using MonotonicClock = std::function<qint64()>;
    // The local date and time, for the default file name.
    using WallClock = std::function<QDateTime()>;

    using enum Acquisition;

    // The language table must outlive the writer; it gives the labels, the heading and the
    // messages. Empty clocks mean the system's.
    LogWriter(LogKind kind, const LanguageTable& language, MonotonicClock monotonic = {},
              WallClock wallClock = {});
    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // What a log needs from the screen when it starts.
    struct Start {
        QString nameBoxText; // the file-name box, as typed
        QString folder;      // where the default name and a relative one are taken
        QString pcVersion;
        std::array<int, 3> ecuVersion{};
        const ParameterSet& parameters;
    };
    // Resolves the name, opens the file for appending (an existing log is extended, never
    // overwritten), writes the version line, the parameter dump and the heading, and takes
    // the start time. False with errorString() when the name is refused or the file cannot be
    // opened or written.
    bool start(const Start& start);

    // One data line of the writer's kind; the calibration phase and a cell run's cell go
    // only into calibration lines. False with errorString() when the line could not be
    // written: the file is then closed, without the partial line.
    bool writeLine(const LiveData& live, int calPhase = 0,
                   std::optional<LogLines::LogCell> cell = std::nullopt);

    // Forces the file onto the disk and closes it; false with errorString() when the disk
    // refused the lines.
    bool close();

    // The log timer's step, by acquisition state: StartRequested starts the log (state
    // Logging), Logging writes one line, Stopped closes the file.
    // On a failure the state goes back to Stopped and errorString() says why.
    enum class Tick {
        Running, // restart the log timer
        Stopped, // file closed; the log timer stays off
        Failed,  // file closed, state Stopped: show errorString(), enable START again
    };
    Tick tick(Acquisition& acquisitionState, const Start& start, const LiveData& live,
              int calPhase = 0, std::optional<LogLines::LogCell> cell = std::nullopt);

    // Whether each line is also forced onto the disk before the call returns, rather than
    // only handed to the system (the default). The benchmark weighs one against the other.
    void setSyncToDisk(bool sync) { m_syncToDisk = sync; }

    bool isOpen() const { return m_file.isOpen(); }
    QString filePath() const { return m_path; } // the file being (or last) written
    QString errorString() const { return m_error; }
    qint64 elapsedMs() const;

private:
    bool append(const QByteArray& bytes);

    LogKind m_kind;
    const LanguageTable& m_language;
    MonotonicClock m_monotonic;
    WallClock m_wallClock;
    QElapsedTimer m_systemClock;
    QFile m_file;
    QString m_path;
    QString m_error;
    qint64 m_startMs = 0;
    bool m_syncToDisk = false;
};
