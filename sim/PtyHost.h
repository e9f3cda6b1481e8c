#pragma once

#include "RequestFramer.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

class QSocketNotifier;
class VirtualEcu;

// Serves a virtual ECU on a pseudo-terminal, so that the real program (or anything that
// speaks to a serial port) can open the slave device as if it were the ECU's line.
//
// Requests are gathered from the master side as they come and cut into frames by their
// length byte; each chunk of an answer goes back when the ECU's line says it is due, on a
// timer set for that moment: a poll would hand replies over up to a poll late. The ECU runs on
// its own clock, brought up to date on every arrival, every chunk and every 10 ms (when the
// host also looks whether the device went away or came back).
//
// The host keeps a descriptor of the slave open itself. Without it the master reports a
// hang-up, over and over, whenever no client has the device open, and the notifier spins.
// A pseudo-terminal carries 8-bit bytes whatever line settings the client asks for (the
// kernel forces 8 data bits and no parity), so a client's "9600,n,8,1" is not checked.
class PtyHost : public QObject {
    Q_OBJECT
public:
    // linkPath: if not empty, a symbolic link kept pointing at the current device, so a
    // client can be given one fixed name even when the device comes back as a new one.
    PtyHost(VirtualEcu& ecu, QString linkPath, QObject* parent = nullptr);
    ~PtyHost() override;

    bool start(QString& error);
    void stop();
    QString devicePath() const { return m_path; }
    // Writes every request and reply to stderr.
    void setTrace(bool on) { m_trace = on; }

signals:
    void deviceReady(const QString& path);
    void deviceGone();
    void failed(const QString& message);

private:
    bool openDevice(QString& error);
    void closeDevice();
    bool placeLink(QString& error);
    void removeLink();
    void onReadable();
    void onTick();
    void flush();
    // Sets the chunk timer for the next bytes the line will have delivered.
    void scheduleFlush();
    void trace(const char* direction, const QByteArray& bytes) const;

    VirtualEcu& m_ecu;
    QString m_linkPath;
    QString m_path;
    int m_master = -1;
    int m_slave = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_tick;
    QTimer m_chunkDue;
    RequestFramer m_framer;
    bool m_started = false;
    bool m_trace = false;
};
