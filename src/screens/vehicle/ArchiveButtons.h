#pragma once

#include "screen/StatusLine.h"

#include <QString>
#include <functional>
#include <optional>

class ParameterSet;
class QWidget;
class UserDialogs;
struct VariabiliGlobali;
struct VehicleLoad;

// The parameter menu's vehicle archive: the file dialogs of "Archivio VETTURE" and "Salva
// CONFIGURAZIONE VETTURA", the workbook read or written, and what the fitter is told. The menu
// lends it its status line and its busy state, and writes a loaded car into the ECU.
class ArchiveButtons {
public:
    struct Menu {
        std::function<void(const QString& text, StatusLine::Tone tone)> status;
        // Buttons off and the busy pointer while a workbook is read or written.
        std::function<void(bool busy)> busy;
        // Writes a loaded configuration into the ECU: `corrected` when values were replaced by
        // their defaults, which `note` names. False when no write could start.
        std::function<bool(const ParameterSet& configuration, bool corrected, const QString& note)>
            write;
        // Shows a workbook read for "Confronta con archivio" beside the ECU's configuration.
        std::function<void(const VehicleLoad& loaded)> compare;
    };

    ArchiveButtons(QWidget& parent, VariabiliGlobali& state, UserDialogs& dialogs, Menu menu)
        : m_parent(parent), g(state), m_dialogs(dialogs), m_menu(std::move(menu)) {}

    // Saves the set in a workbook the fitter names; only a set the ECU sent whole.
    void save();
    // Loads a workbook the fitter chooses and has the menu write it.
    void load();
    // Has the menu write a workbook already read (handed back by the comparison).
    void write(const VehicleLoad& loaded);
    // Reads a workbook the fitter chooses and has the menu compare it with the ECU's set; only
    // a set the ECU sent whole, or the differences listed would not be the car's.
    void compare();
    // The archive folder, made when missing; where it cannot be, the status line says why and
    // the fitter's home (or the program's folder) is offered instead.
    QString folder();

private:
    // The workbook the fitter chooses in a dialog titled `title`, read; nothing when none was
    // chosen or it was refused (the reason is on the status line).
    std::optional<VehicleLoad> choose(const QString& title);

    QWidget& m_parent;
    VariabiliGlobali& g;
    UserDialogs& m_dialogs;
    Menu m_menu;
};
