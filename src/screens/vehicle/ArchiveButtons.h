#pragma once

#include "screen/StatusLine.h"

#include <QString>
#include <functional>

class ParameterSet;
class QWidget;
class UserDialogs;
struct VariabiliGlobali;

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
    };

    ArchiveButtons(QWidget& parent, VariabiliGlobali& state, UserDialogs& dialogs, Menu menu)
        : m_parent(parent), g(state), m_dialogs(dialogs), m_menu(std::move(menu)) {}

    // Saves the set in a workbook the fitter names; only a set the ECU sent whole.
    void save();
    // Loads a workbook the fitter chooses and has the menu write it.
    void load();
    // The archive folder, made when missing; where it cannot be, the status line says why and
    // the fitter's home (or the program's folder) is offered instead.
    QString folder();

private:
    QWidget& m_parent;
    VariabiliGlobali& g;
    UserDialogs& m_dialogs;
    Menu m_menu;
};
