// The stops of the four parameter pages.

#include "ScreenTours.h"
#include "TourSteps.h"

#include "pages/PageLayouts.h"
#include "screens/pages/Form14.h"
#include "screens/pages/ParameterPageForm.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

namespace {

// From the start screen through the two menus to the parameter menu.
void passToParameterMenu(Tour& t) {
    passToReadyMenu(t);
    t.pass(t.press(ScreenId::Form2, "Command4"), t.visible(ScreenId::Form5));
}

// From page `id` back through the two menus to the start screen.
void passPageToStart(Tour& t, ScreenId id) {
    t.pass(t.press(id, "Command1"), t.visible(ScreenId::Form5));
    t.pass(t.press(ScreenId::Form5, "Command8"), menuReady(t));
    passMenuToStart(t);
}

// A page's stops: read mode (once `ready` holds too, if given), then write mode with
// `rejected` typed into `box`. The page's mode buttons and message line are named by its
// layout.
void tourPage(Tour& t, ScreenId id, const char* menuButton, const QString& name,
              const PageLayout& layout, const char* box, const char* rejected,
              const Tour::Condition& ready = nullptr) {
    const auto readMode = showing<ParameterPageForm>(t, id, [ready](const ParameterPageForm& p) {
        return p.phase() == ParameterPageForm::Phase::Read && (!ready || ready());
    });
    passToParameterMenu(t);
    // Pictures are named after the screen's number: "13a-other-parameters", "13b-...".
    const QString number = QStringLiteral("%1").arg(int(id), 2, 10, QLatin1Char('0'));
    t.picture(number + QStringLiteral("a-") + name, t.press(ScreenId::Form5, menuButton), readMode,
              id);
    const QByteArray writeMode = layout.writeMode.toLatin1();
    const QByteArray messageLine = layout.messageLine.toLatin1();
    const auto typeRejected = [&t, id, writeMode, box, rejected] {
        auto* field = t.control<QLineEdit>(id, box);
        if (!field) return;
        t.press(id, writeMode.constData())();
        field->setText(QString::fromLatin1(rejected));
        t.press(id, "Command2")();
    };
    t.picture(
        number + QStringLiteral("b-") + name + QStringLiteral("-rejected"), typeRejected,
        [&t, id, messageLine] {
            auto* message = t.control<QLabel>(id, messageLine.constData());
            return message && !message->isHidden();
        },
        id);
    passPageToStart(t, id);
}

} // namespace

void ScreenTours::form13(Tour& t) {
    tourPage(t, ScreenId::Form13, "Command2", QStringLiteral("other-parameters"),
             PageLayouts::otherParameters(), "Text6", "59");
}

void ScreenTours::form6(Tour& t) {
    tourPage(t, ScreenId::Form6, "Command1", QStringLiteral("lambda"), PageLayouts::lambda(),
             "Text5", "1200");
}

void ScreenTours::form11(Tour& t) {
    tourPage(t, ScreenId::Form11, "Command3", QStringLiteral("switching"), PageLayouts::switching(),
             "Text4", "81");
}

void ScreenTours::form14(Tour& t) {
    const ScreenId self = ScreenId::Form14;
    const auto reading = [&t, self](bool live) {
        return showing<Form14>(t, self, [live](const Form14& p) { return p.hasReading() == live; });
    };
    tourPage(t, self, "Command4", QStringLiteral("level-indicator"), PageLayouts::levelIndicator(),
             "Text2", "6000", reading(true));

    // In write mode with a reading, the adapter is pulled: the reading greyed, the lamps dark,
    // nothing to set as empty or full.
    passToParameterMenu(t);
    t.pass(t.press(ScreenId::Form5, "Command4"), reading(true));
    t.pass(t.press(self, "Option2"), reading(true));
    t.picture(QStringLiteral("14c-level-indicator-link-lost"), t.scenario("unplug"), reading(false),
              self);
    t.pass(t.scenario("plug"), reading(true));
    passPageToStart(t, self);
}
