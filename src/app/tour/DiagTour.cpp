// The stops of the live acquisition and the diagnosis.

#include "ScreenTours.h"
#include "TourSteps.h"

#include "screens/diag/Form3.h"
#include "screens/diag/Form9.h"

#include <QFile>

void ScreenTours::form3(Tour& t) {
    const ScreenId self = ScreenId::Form3;
    const auto showingRecords = [&t, self](int records) {
        return showing<Form3>(t, self,
                              [records](const Form3& s) { return s.liveRecords() >= records; });
    };
    const auto logging = [&t, self] {
        auto* s = t.screen<Form3>(self);
        return s && s->logWriter().isOpen() && s->logWriter().elapsedMs() >= 1500;
    };
    const auto stopped = [&t, self] {
        auto* s = t.screen<Form3>(self);
        return s && !s->logWriter().isOpen();
    };
    // The tour's own log goes where a fitter's would; it is not kept.
    const auto dropLog = [&t, self] {
        if (auto* s = t.screen<Form3>(self)) QFile::remove(s->logWriter().filePath());
    };

    passToReadyMenu(t, t.scenario("warm-up"));
    t.picture(QStringLiteral("20-live-on-gas"), t.press(ScreenId::Form2, "Command3"),
              showingRecords(8), self);
    t.picture(QStringLiteral("21-live-logging"), t.press(self, "Command3"), logging, self);
    t.pass(Tour::then(t.press(self, "Command4"), dropLog), stopped);
    passScreenToStart(t, self);
    offlinePicture(t, QStringLiteral("22-live-not-connected"), "Command3", self);
}

void ScreenTours::form9(Tour& t) {
    const ScreenId self = ScreenId::Form9;
    const ScreenId menu = ScreenId::Form2;
    const auto polling = showing<Form9>(t, self, [](const Form9& s) { return s.records() >= 5; });

    passToReadyMenu(t);
    t.picture(QStringLiteral("23-diagnosis"), t.press(menu, "Command2"), polling, self);
    passScreenToStart(t, self);
    offlinePicture(t, QStringLiteral("24-diagnosis-not-connected"), "Command2", self);
}
