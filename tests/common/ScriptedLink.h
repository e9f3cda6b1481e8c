#pragma once

#include "link/EcuLink.h"

#include <QByteArray>
#include <QList>

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
