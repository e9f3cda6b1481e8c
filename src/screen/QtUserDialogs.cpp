#include "screen/QtUserDialogs.h"

#include "lang/LanguageTable.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {
QWidget* widgetOf(QObject* o) {
    return qobject_cast<QWidget*>(o);
}
} // namespace

QtUserDialogs::~QtUserDialogs() {
    setBusy(false);
}

void QtUserDialogs::information(QObject* parent, const QString& title, const QString& text) {
    // The hourglass would hide that the box wants an answer.
    const bool wasBusy = m_busy;
    setBusy(false);
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, widgetOf(parent));
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
    setBusy(wasBusy);
}

std::unique_ptr<QMessageBox> QtUserDialogs::questionBox(QWidget* parent, const QString& title,
                                                        const QString& text,
                                                        const LanguageTable* language) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, title, text,
                                             QMessageBox::Yes | QMessageBox::No, parent);
    if (language) {
        box->button(QMessageBox::Yes)
            ->setText(language->text(QStringLiteral("F00_C01"), QStringLiteral("Sì")));
        box->button(QMessageBox::No)
            ->setText(language->text(QStringLiteral("F00_C02"), QStringLiteral("No")));
    }
    box->setDefaultButton(QMessageBox::No);
    box->setEscapeButton(QMessageBox::No);
    box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return box;
}

bool QtUserDialogs::question(QObject* parent, const QString& title, const QString& text) {
    const bool wasBusy = m_busy;
    setBusy(false);
    const auto box = questionBox(widgetOf(parent), title, text, m_language);
    const bool yes = box->exec() == QMessageBox::Yes;
    setBusy(wasBusy);
    return yes;
}

QString QtUserDialogs::openFileName(QObject* parent, const QString& title, const QString& folder,
                                    const QString& filter) {
    return QFileDialog::getOpenFileName(widgetOf(parent), title, folder, filter);
}

QString QtUserDialogs::saveFileName(QObject* parent, const QString& title, const QString& folder,
                                    const QString& filter) {
    return QFileDialog::getSaveFileName(widgetOf(parent), title, folder, filter);
}

void QtUserDialogs::beep() {
    QApplication::beep();
}

void QtUserDialogs::setBusy(bool busy) {
    if (busy == m_busy) return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
