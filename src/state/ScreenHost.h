#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>

struct VehicleLoad;

// The screens of the program, by the numbers they are known by.
enum class ScreenId {
    Form1 = 1,
    Form2 = 2,
    Form3 = 3,
    Form4 = 4,
    Form5 = 5,
    Form6 = 6,
    Form8 = 8,
    Form9 = 9,
    Form11 = 11,
    Form12 = 12,
    Form13 = 13,
    Form14 = 14,
    Form15 = 15,
    Form16 = 16,
    Form17 = 17, // the log viewer
    Form18 = 18,
};

// "Form" and the number: the screen's object name.
QString screenName(ScreenId id);

// What the host needs of a screen.
class Screen {
public:
    virtual ~Screen() = default;
    virtual ScreenId screenId() const = 0;
    // Shows the window and brings it to the front (the screen's activation).
    virtual void showScreen() = 0;
    virtual void hideScreen() = 0;
    // Unloading: timer off, port closed, out of the always-on-top band.
    virtual void unloadScreen() = 0;
    virtual bool isScreenVisible() const = 0;
    virtual QObject* asObject() = 0;
    // What another screen leaves for this one as it hands over: a menu shows it on its status
    // line; a screen that shows no notices ignores it.
    virtual void showNotice(const QString& text) { (void)text; }
    // A file handed over to be shown (the log viewer opens it); other screens ignore it.
    virtual void openFile(const QString& path) { (void)path; }
    // A vehicle workbook another screen has read: the comparison shows it beside the ECU's
    // configuration, the parameter menu writes it into the ECU; other screens ignore it.
    virtual void takeVehicle(const VehicleLoad& load) { (void)load; }
    // The message screen's caption and text; other screens ignore it.
    virtual void setMessage(const QString& caption, const QString& text) {
        (void)caption;
        (void)text;
    }
};

// Creates screens on demand, shows, hides and unloads them. "Show" on a screen that was only
// hidden shows it as it was left; on a screen that was unloaded it loads a new one.
class ScreenHost {
public:
    ScreenHost() = default;
    ScreenHost(const ScreenHost&) = delete;
    ScreenHost& operator=(const ScreenHost&) = delete;
    // Frees every screen still loaded.
    ~ScreenHost();

    using Factory = std::function<Screen*(ScreenId)>;

    // Makes the screens; nullptr for a screen that cannot be made.
    void setFactory(Factory factory) { m_factory = std::move(factory); }

    Screen* show(ScreenId id);
    void hide(ScreenId id);
    // Unloads the screen and frees the screen once control returns to the event loop, so a
    // screen may unload itself from inside its own handlers.
    void unload(ScreenId id);
    Screen* loaded(ScreenId id) const;
    bool isVisible(ScreenId id) const;

    // Called when the start screen unloads: the program ends.
    std::function<void()> onProgramEnd;

private:
    Factory m_factory;
    std::map<ScreenId, std::pair<QPointer<QObject>, Screen*>> m_screens;
};
