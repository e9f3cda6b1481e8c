#pragma once

#include "common/ScriptedLink.h"

#include "InProcessLink.h"
#include "VirtualEcu.h"
#include "app/Screens.h"
#include "screen/FormBase.h"
#include "state/RecordingUserDialogs.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <vector>

// Everything a screen test needs: a program folder with its files, the program-wide state,
// non-blocking dialogs, a screen host, and either a virtual ECU or scripted links.
struct World {
    enum class Links { Virtual, Scripted };

    explicit World(Links kind = Links::Virtual, const QByteArray& config = "19600,n,8,1\n",
                   bool withLanguageFile = true)
        : context{g, host, dialogs, {}} {
        setUp(kind, config, withLanguageFile);
    }

    // A world around a virtual ECU with this car and these line faults.
    World(const EngineSettings& engine, const FaultSettings& faults)
        : ecu(EcuMemory::factory(), engine, faults), context{g, host, dialogs, {}} {
        setUp(Links::Virtual, "19600,n,8,1\n", true);
    }

    void setUp(Links kind, const QByteArray& config, bool withLanguageFile) {
        g.folders = ProgramFolders::portable(dir.path());
        // The virtual ECU's time moves with the exchange's ticks, by each tick's interval, and
        // when a test advances it; replies take their time on a 9600-baud line.
        ecu.useSteppedClock();
        if (!config.isNull()) writeFile(QStringLiteral("Config.ini"), config);
        if (withLanguageFile)
            QFile::copy(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../data/Stringhe312.txt"),
                        dir.filePath(QStringLiteral("Stringhe312.txt")));
        if (kind == Links::Virtual) {
            context.linkFactory = [this] { return std::make_unique<InProcessLink>(ecu); };
        } else {
            context.linkFactory = [this] {
                auto link = std::make_unique<ScriptedLink>();
                link->failOpenWith = failOpenWith;
                scripted.push_back(link.get());
                return link;
            };
        }
        host.setFactory([this](ScreenId id) { return makeScreen(id, context); });
    }

    ~World() {
        // Screens unloaded during the test are freed on the next pass of the event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void writeFile(const QString& name, const QByteArray& content) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
    }

    template <class F> F* screen(ScreenId id) {
        Screen* s = host.loaded(id);
        return s ? dynamic_cast<F*>(s->asObject()) : nullptr;
    }

    template <class W = QAbstractButton> W* control(ScreenId id, const QString& name) {
        Screen* s = host.loaded(id);
        return s ? s->asObject()->findChild<W*>(name) : nullptr;
    }

    void click(ScreenId id, const QString& name) {
        auto* b = control<QAbstractButton>(id, name);
        Q_ASSERT(b);
        b->click();
    }
    void click(ScreenId id, const char* name) { click(id, QString::fromLatin1(name)); }

    bool enabled(ScreenId id, const char* name) {
        return control<QWidget>(id, QString::fromLatin1(name))->isEnabled();
    }
    // Not hidden; a control the screen has not made is not shown either.
    bool shown(ScreenId id, const char* name) {
        const auto* c = control<QWidget>(id, QString::fromLatin1(name));
        return c && !c->isHidden();
    }
    // What a label, a box or a button says.
    QString text(ScreenId id, const char* name) {
        QWidget* c = control<QWidget>(id, QString::fromLatin1(name));
        if (auto* label = qobject_cast<QLabel*>(c)) return label->text();
        if (auto* edit = qobject_cast<QLineEdit*>(c)) return edit->text();
        if (auto* button = qobject_cast<QAbstractButton*>(c)) return button->text();
        return QString();
    }
    void type(ScreenId id, const char* box, const QString& value) {
        control<QLineEdit>(id, QString::fromLatin1(box))->setText(value);
    }

    // Turns the world's program folder into an installed program's folders, as the package
    // lays them out, for a user whose home is home/ in the world's folder: the executable in
    // bin/ alone, the language file and Config.ini moved to share/tarvex/. Call before any
    // screen is shown; the folder the user's files go to is not made.
    void install() {
        const QDir root(dir.path());
        for (const char* folder : {"bin", "share/tarvex", "home/.config", "home/Documents"})
            root.mkpath(QString::fromLatin1(folder));
        for (const char* file : {"Config.ini", "Stringhe312.txt"})
            QFile::rename(root.filePath(QString::fromLatin1(file)),
                          root.filePath(QStringLiteral("share/tarvex/") + QLatin1String(file)));
        g.folders = ProgramFolders::forProgram(root.filePath(QStringLiteral("bin")),
                                               {root.filePath(QStringLiteral("home/.config")),
                                                root.filePath(QStringLiteral("home/Documents")),
                                                root.filePath(QStringLiteral("home"))});
    }

    // Command bytes of the frames the virtual ECU received, in order.
    QList<int> commandsSeen() const {
        QList<int> out;
        for (const QByteArray& f : ecu.received())
            out << (f.size() >= 5 ? static_cast<unsigned char>(f.at(4)) : -1);
        return out;
    }

    QTemporaryDir dir;
    VariabiliGlobali g;
    RecordingUserDialogs dialogs;
    VirtualEcu ecu;
    int failOpenWith = EcuLink::ErrorNone;
    std::vector<ScriptedLink*> scripted;
    ScreenHost host;
    FormContext context;
};

// `n` ticks of a screen's exchange.
inline void tickTimes(FormBase* screen, int n) {
    for (int i = 0; i < n; ++i)
        screen->cycle().tick();
}
