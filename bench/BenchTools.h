#pragma once

// What every benchmark uses: printing a figure, CPU and memory readings.
#include "common/SimProcess.h"

#include <QEventLoop>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <sys/resource.h>

inline void figure(const char* what, double value, const char* unit) {
    std::printf("%-58s %10.2f %s\n", what, value, unit);
    std::fflush(stdout);
}

// A memory figure of this process from /proc/self/status ("VmHWM", "VmRSS"), in MiB.
inline double statusMiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    const QString text = QString::fromLatin1(status.readAll());
    const auto m = QRegularExpression(QString::fromLatin1(field) + QStringLiteral(":\\s+(\\d+) kB"))
                       .match(text);
    return m.hasMatch() ? m.captured(1).toDouble() / 1024.0 : 0;
}

// Peak resident memory of this process so far, in MiB.
inline double peakRssMiB() {
    return statusMiB("VmHWM");
}

// Resident memory of this process now, in MiB.
inline double residentMiB() {
    return statusMiB("VmRSS");
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The median time of `runs` runs of `work`, in milliseconds.
inline double medianMs(int runs, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

// Runs the event loop for ms milliseconds, as the program's own loop runs: asleep until
// something is due. (QTest::qWait polls every 10 ms instead, which costs CPU of its own and
// delays every timer by up to 10 ms.)
inline void runEventLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// CPU time this process used so far, user and system.
inline double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Share of one core this process uses over the next ms milliseconds of its event loop.
inline double cpuShareDuring(int ms) {
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runEventLoopFor(ms);
    return 100.0 * (cpuSeconds() - cpu0) / (double(wall.elapsed()) / 1000.0);
}

// The benchmarks, one function per area; bench.cpp lists them by name.
void benchUpload();
void benchRepair();
void benchIdle();
void benchGraph();
void benchCalibrationPage();
void benchAutoCalibration();
void benchPages();
void benchLive();
void benchLine();
void benchViewer();
void benchPtyHost();
