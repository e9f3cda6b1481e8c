// The live screen over the real serial link to tarvex-ecu-sim on a pseudo-terminal, with the
// program's own timers: open it from the menu, log while records come, stop, read the file.
// (The log's cadence is a figure of scripts/bench.sh live, not a test.)
#include "common/SimProcess.h"
#include "common/TestData.h"

#include "screens/diag/Form3.h"

#include <QLineEdit>
#include <QtTest>

class TestE2ELive : public QObject {
    Q_OBJECT

private slots:
    void logWhileLiveRecordsCome() {
        SimProcess sim("--start warm");
        QVERIFY(!sim.device.isEmpty());
        World w;
        useDevice(w, sim.device);
        QVERIFY(toReadyMenu(w, 10000));
        w.click(ScreenId::Form2, QStringLiteral("Command3"));
        QTRY_VERIFY_WITH_TIMEOUT(w.host.isVisible(ScreenId::Form3), 5000);
        auto* live = w.screen<Form3>(ScreenId::Form3);
        QTRY_VERIFY_WITH_TIMEOUT(live->liveRecords() >= 3, 5000);
        QVERIFY(w.control<QLineEdit>(ScreenId::Form3, QStringLiteral("Text6"))->text().toInt() > 0);

        w.control<QLineEdit>(ScreenId::Form3, QStringLiteral("Text15"))
            ->setText(QStringLiteral("e2e"));
        w.click(ScreenId::Form3, QStringLiteral("Command3"));
        QCOMPARE(w.g.AcquisitionState, LogWriter::Logging);
        // The exchange goes on while the log is written.
        const int recordsBefore = live->liveRecords();
        QTRY_VERIFY_WITH_TIMEOUT(live->liveRecords() >= recordsBefore + 10, 20000);
        w.click(ScreenId::Form3, QStringLiteral("Command4"));
        QCOMPARE(w.g.AcquisitionState, LogWriter::Stopped);

        const QByteArray content = readAll(w.dir.filePath(QStringLiteral("e2e.log")));
        QVERIFY(content.endsWith("\r\n"));
        QList<QByteArray> lines = content.split('\n');
        lines.removeLast(); // what follows the last CR LF
        QVERIFY(lines[0].startsWith("SW PC ") && lines[8].startsWith("Tempo ms;"));
        const QList<QByteArray> data = lines.mid(9);
        QVERIFY(!data.isEmpty());
        qint64 previous = -1;
        bool running = false;
        for (const QByteArray& line : data) {
            const QList<QByteArray> fields = line.chopped(1).split(';');
            QVERIFY(line.endsWith('\r') && fields.size() == 17);
            QVERIFY(fields[0].toLongLong() > previous);
            previous = fields[0].toLongLong();
            running = running || fields[2].toInt() > 0;
        }
        QVERIFY(running); // the engine's speed came through

        w.click(ScreenId::Form3, QStringLiteral("Command1"));
        QVERIFY(w.host.isVisible(ScreenId::Form2));
    }
};

QTEST_MAIN(TestE2ELive)
#include "test_e2e_live.moc"
