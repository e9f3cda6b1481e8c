// The stops of the start screen, the serial settings and the main menu.

#include "ScreenTours.h"
#include "TourSteps.h"

#include "screens/menu/Form2.h"

#include <QComboBox>

void ScreenTours::form1(Tour& t) {
    const ScreenId self = ScreenId::Form1;
    t.picture(QStringLiteral("01-start-screen"), nullptr, t.visible(self), self);
    t.picture(QStringLiteral("06-start-screen-english"), t.press(self, "Command4"), t.visible(self),
              self);
    t.picture(QStringLiteral("07-start-screen-turkish"), t.press(self, "Command5"), t.visible(self),
              self);
    t.pass(t.press(self, "Command3"), t.visible(self));
    t.picture(QStringLiteral("09-start-screen-port-error"),
              Tour::then(t.scenario("unplug"), t.press(self, "Command1")), t.visible(self), self);
    t.pass(t.scenario("plug"), t.visible(self));
}

void ScreenTours::form4(Tour& t) {
    const ScreenId self = ScreenId::Form4;
    t.picture(QStringLiteral("02-serial-settings"), t.press(ScreenId::Form1, "Command6"),
              t.visible(self), self);
    // A USB adapter the system reports, chosen in the list (and then cancelled).
    t.picture(
        QStringLiteral("02b-serial-settings-usb-adapter"),
        [&t, self] {
            if (auto* ports = t.control<QComboBox>(self, "Combo1"))
                ports->setCurrentIndex(ports->count() - 1);
        },
        t.visible(self), self);
    t.pass(t.press(self, "Command2"), t.visible(ScreenId::Form1));
}

void ScreenTours::form2(Tour& t) {
    const ScreenId self = ScreenId::Form2;
    const auto in = [&t, self](Form2::Phase phase) {
        return showing<Form2>(t, self,
                              [phase](const Form2& menu) { return menu.phase() == phase; });
    };
    const auto menu = t.press(ScreenId::Form1, "Command1");

    t.picture(QStringLiteral("03-main-menu"), menu, in(Form2::Phase::Ready), self);
    passMenuToStart(t);
    t.picture(QStringLiteral("04-main-menu-defaults-written"),
              Tour::then(t.scenario("out-of-range"), menu), in(Form2::Phase::Ready), self);
    passMenuToStart(t);
    t.picture(QStringLiteral("05-main-menu-default-refused"),
              Tour::then(t.scenario("refuse"), menu), in(Form2::Phase::Stopped), self);
    passMenuToStart(t, t.scenario("factory"));
    t.picture(QStringLiteral("08-main-menu-turkish"),
              Tour::then(t.press(ScreenId::Form1, "Command5"), menu), in(Form2::Phase::Ready),
              self);
    passMenuToStart(t, t.press(ScreenId::Form1, "Command3"));
    t.picture(QStringLiteral("10-main-menu-not-connected"),
              Tour::then(t.press(ScreenId::Form1, "Command7"), menu), t.visible(self), self);
    passOfflineMenuToStart(t);
}
