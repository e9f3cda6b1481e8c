#pragma once

#include "state/UserDialogs.h"

#include <QStringList>
#include <functional>

// Dialogs that never block: every box is recorded (and, if asked, printed) and answered
// with a preset answer. Used by the tests and by the unattended tour.
class RecordingUserDialogs final : public UserDialogs {
public:
    explicit RecordingUserDialogs(bool print = false) : m_print(print) {}

    void information(QObject* parent, const QString& title, const QString& text) override;
    bool question(QObject* parent, const QString& title, const QString& text) override;
    QString openFileName(QObject* parent, const QString& title, const QString& folder,
                         const QString& filter) override;
    QString saveFileName(QObject* parent, const QString& title, const QString& folder,
                         const QString& filter) override;
    void beep() override { ++beeps; }
    void setBusy(bool b) override { busy = b; }

    QStringList messages; // texts of the boxes shown, in order
    // Called while each box is "open" (a modal box runs the event loop: timers still fire).
    std::function<void()> whileOpen;
    // The last question() asked: what the tour draws, as the fitter would see it.
    QString questionTitle;
    QString questionText;
    bool answer = true; // what question() says
    QString fileToOpen; // what openFileName() returns
    QString fileToSave; // what saveFileName() returns
    QString lastFolder; // the folder the last file dialog opened in
    int beeps = 0;
    bool busy = false;

private:
    bool m_print;
};
