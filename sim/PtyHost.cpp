#include "PtyHost.h"

#include "VirtualEcu.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {
QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}
} // namespace

PtyHost::PtyHost(VirtualEcu& ecu, QString linkPath, QObject* parent)
    : QObject(parent), m_ecu(ecu), m_linkPath(std::move(linkPath)) {
    m_tick.setInterval(10);
    connect(&m_tick, &QTimer::timeout, this, &PtyHost::onTick);
    m_chunkDue.setSingleShot(true);
    m_chunkDue.setTimerType(Qt::PreciseTimer);
    connect(&m_chunkDue, &QTimer::timeout, this, [this] {
        m_ecu.syncClock();
        flush();
    });
}

PtyHost::~PtyHost() {
    stop();
}

bool PtyHost::start(QString& error) {
    if (!openDevice(error)) return false;
    m_started = true;
    m_tick.start();
    emit deviceReady(m_path);
    return true;
}

void PtyHost::stop() {
    m_started = false;
    m_tick.stop();
    m_chunkDue.stop();
    closeDevice();
}

bool PtyHost::openDevice(QString& error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        error = systemError("posix_openpt");
        return false;
    }
    char name[256] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0) {
        error = systemError("preparing the pseudo-terminal");
        ::close(master);
        return false;
    }
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        error = systemError("opening the slave side");
        ::close(master);
        return false;
    }
    // Raw before any client arrives: with the default line discipline the terminal would
    // echo each request straight back to us and turn 0x0D into 0x0A.
    termios t{};
    if (tcgetattr(slave, &t) == 0) {
        cfmakeraw(&t);
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        tcsetattr(slave, TCSANOW, &t);
    }
    m_master = master;
    m_slave = slave;
    m_path = QString::fromLocal8Bit(name);
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &PtyHost::onReadable);
    if (!placeLink(error)) {
        closeDevice();
        return false;
    }
    return true;
}

void PtyHost::closeDevice() {
    // The notifier must go before its descriptor is closed.
    m_notifier.reset();
    if (m_slave >= 0) ::close(m_slave);
    if (m_master >= 0) ::close(m_master);
    m_slave = m_master = -1;
    removeLink();
}

bool PtyHost::placeLink(QString& error) {
    if (m_linkPath.isEmpty()) return true;
    const QByteArray link = QFile::encodeName(m_linkPath);
    struct stat st {};
    if (lstat(link.constData(), &st) == 0) {
        // Left by an earlier run; anything but a link is somebody's file.
        if (!S_ISLNK(st.st_mode)) {
            error = QStringLiteral("%1 exists and is not a symbolic link").arg(m_linkPath);
            return false;
        }
        ::unlink(link.constData());
    }
    if (::symlink(QFile::encodeName(m_path).constData(), link.constData()) != 0) {
        error = systemError("creating the link") + QStringLiteral(" (%1)").arg(m_linkPath);
        return false;
    }
    return true;
}

void PtyHost::removeLink() {
    if (m_linkPath.isEmpty() || m_path.isEmpty()) return;
    // Only our own link: another host may have taken the name since.
    if (QFileInfo(m_linkPath).symLinkTarget() == QFileInfo(m_path).absoluteFilePath())
        ::unlink(QFile::encodeName(m_linkPath).constData());
}

void PtyHost::onReadable() {
    QByteArray bytes;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break; // EAGAIN: all read; EIO cannot last while we hold the slave
    }
    if (bytes.isEmpty()) return;
    m_ecu.syncClock();
    for (const QByteArray& frame : m_framer.feed(bytes, m_ecu.nowMs())) {
        trace("<-", frame);
        m_ecu.receive(frame);
    }
    flush();
}

void PtyHost::onTick() {
    m_ecu.syncClock();
    if (m_master >= 0 && !m_ecu.pluggedIn()) {
        closeDevice();
        emit deviceGone();
        return;
    }
    if (m_master < 0 && m_ecu.pluggedIn() && m_started) {
        // Back as a new device, as a USB adapter plugged in again would be.
        QString error;
        if (!openDevice(error)) {
            m_started = false;
            emit failed(error);
            return;
        }
        emit deviceReady(m_path);
    }
    flush();
}

void PtyHost::scheduleFlush() {
    const qint64 due = m_ecu.nextDueMs();
    if (due < 0 || m_master < 0) {
        m_chunkDue.stop();
        return;
    }
    m_chunkDue.start(static_cast<int>(std::max<qint64>(0, due - m_ecu.nowMs())));
}

void PtyHost::flush() {
    if (m_master < 0) return;
    const QByteArray bytes = m_ecu.transmit();
    scheduleFlush();
    if (bytes.isEmpty()) return;
    trace("->", bytes);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(m_master, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            // Nobody is reading and the terminal's buffer is full: the bytes are lost, as
            // they would be on a serial line.
            break;
        }
    }
}

void PtyHost::trace(const char* direction, const QByteArray& bytes) const {
    if (!m_trace) return;
    std::fprintf(stderr, "%8lld %s %s\n", static_cast<long long>(m_ecu.nowMs()), direction,
                 bytes.toHex(' ').constData());
}
