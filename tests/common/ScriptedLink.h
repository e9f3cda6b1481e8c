#pragma once

#include "link/EcuLink.h"

#include <QByteArray>
#include <QList>
#include <functional>

// A link whose arrivals the test sets before each tick, and that records what is written.
class ScriptedLink final : public EcuLink {
public:
    bool open(const QString&, const QString&) override {
        if (failOpenWith != ErrorNone) {
            code = failOpenWith;
            return false;
        }
        opened = true;
        lost = false;
        ++opens;
        return true;
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    bool write(const QByteArray& frame) override {
        written << frame;
        if (opened && respond) arriving += respond(frame);
        return opened;
    }
    QByteArray readAll() override {
        QByteArray out;
        out.swap(arriving);
        return out;
    }
    int errorCode() const override { return code; }
    QString errorString() const override { return QStringLiteral("scripted error"); }
    bool deviceLost() const override { return lost; }

    // The device vanishes: the link closes itself.
    void vanish() {
        opened = false;
        lost = true;
    }

    QByteArray arriving;
    // When set, what arrives after each frame written (an ECU played by a rule).
    std::function<QByteArray(const QByteArray&)> respond;
    QList<QByteArray> written;
    bool opened = false;
    bool lost = false;
    int opens = 0;
    int code = ErrorNone;
    int failOpenWith = ErrorNone;
};

// "P", "C", 0, length, command, data: a reply as the ECU sends it.
inline QByteArray replyFrame(int command, const QByteArray& data = {}) {
    QByteArray f("PC");
    f.append('\0');
    f.append(static_cast<char>(5 + data.size()));
    f.append(static_cast<char>(command));
    f.append(data);
    return f;
}

inline QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

// An ECU that acknowledges every request but answers each read of parameters or table with a
// length byte one too many: a write's read-back never ends.
inline QByteArray acknowledgeButGarbleReads(const QByteArray& request) {
    const int command = request.size() >= 5 ? static_cast<unsigned char>(request.at(4)) : 0;
    if (command == 1 || command == 8) {
        QByteArray reply = replyFrame(command, QByteArray(command == 1 ? 124 : 64, char(105)));
        reply[3] = static_cast<char>(reply.size() + 1);
        return reply;
    }
    if (command == 7) return replyFrame(7, bytes({2, 4, 7}));
    if (command == 10) return QByteArray(); // no record: the page is busy writing anyway
    return replyFrame(command);
}
