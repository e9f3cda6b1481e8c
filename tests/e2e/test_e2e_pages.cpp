// The parameter pages end to end: the real serial link over a pseudo-terminal to
// tarvex-ecu-sim, the program's own timers, and what the simulator keeps when it stops.
#include "common/SimProcess.h"
#include "common/TestData.h"

#include "screens/pages/Form11.h"
#include "screens/vehicle/Form5.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

class TestE2EPages : public QObject {
    Q_OBJECT

private slots:
    // The fitter raises the switching speed (main menu, parameter menu, switching page, write
    // mode, 2500, "Modifica"), and the cable is pulled in the middle of the write: the page
    // says so on its line, polls, and once the cable is back the write carries on at its slot
    // and ends verified; the ECU holds the value when it stops.
    void aPulledCableInTheMiddleOfAWriteResumes() {
        QTemporaryDir dir;
        const QString saved = dir.filePath(QStringLiteral("held.txt"));
        {
            SimProcess sim("--start warm --silence-after 4.3 --silence-for 5",
                           {QStringLiteral("--save-image"), saved});
            World w;
            useDevice(w, sim.device);
            QVERIFY(toReadyMenu(w, 10000));
            // The pull is timed from the simulator's start (timings are not tested).
            if (sim.elapsedMs() >= 4000)
                QSKIP("the menu was not ready before the cable was pulled");
            sim.waitUntil(4000);
            w.click(ScreenId::Form2, QStringLiteral("Command4"));
            w.click(ScreenId::Form5, QStringLiteral("Command3"));
            w.click(ScreenId::Form11, QStringLiteral("Option2"));
            w.control<QLineEdit>(ScreenId::Form11, QStringLiteral("Text1"))
                ->setText(QStringLiteral("2500"));
            w.click(ScreenId::Form11, QStringLiteral("Command2"));
            auto* page = w.screen<Form11>(ScreenId::Form11);
            auto* line = w.control<QLabel>(ScreenId::Form11, QStringLiteral("Label10"));
            QTRY_VERIFY_WITH_TIMEOUT(line->text().startsWith(QStringLiteral("PERSA COMUNICAZIONE")),
                                     8000);
            QCOMPARE(page->phase(), ParameterPageForm::Phase::Writing);
            QVERIFY(w.dialogs.messages.isEmpty());
            QTRY_VERIFY_WITH_TIMEOUT(page->phase() == ParameterPageForm::Phase::Read, 15000);
            QCOMPARE(line->text(), QStringLiteral("Parametri scritti e verificati"));
            QCOMPARE(w.g.parameters.value(SwitchRpm), 2500);
            w.click(ScreenId::Form11, QStringLiteral("Command1"));
            QVERIFY(w.host.isVisible(ScreenId::Form5));
        }
        QVERIFY(readAll(saved).split('\n').contains("12=2500"));
    }
};

QTEST_MAIN(TestE2EPages)
#include "test_e2e_pages.moc"
