#pragma once

#include "state/UserDialogs.h"

#include <memory>

class LanguageTable;
class QMessageBox;
class QWidget;

// The real dialogs, on Qt Widgets.
class QtUserDialogs final : public UserDialogs {
public:
    // The box question() shows (the tour draws it too): Yes and No in the screens' language
    // (Qt's own words without one), No the default, so that an Enter pressed out of habit
    // changes nothing.
    static std::unique_ptr<QMessageBox> questionBox(QWidget* parent, const QString& title,
                                                    const QString& text,
                                                    const LanguageTable* language);

    // `language`, when given, must outlive the dialogs: the one the screens show.
    explicit QtUserDialogs(const LanguageTable* language = nullptr) : m_language(language) {}

    ~QtUserDialogs() override;
    void information(QObject* parent, const QString& title, const QString& text) override;
    bool question(QObject* parent, const QString& title, const QString& text) override;
    QString openFileName(QObject* parent, const QString& title, const QString& folder,
                         const QString& filter) override;
    QString saveFileName(QObject* parent, const QString& title, const QString& folder,
                         const QString& filter) override;
    void beep() override;
    void setBusy(bool busy) override;

private:
    bool m_busy = false;
    const LanguageTable* m_language;
};
