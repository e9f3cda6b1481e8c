#pragma once

#include "base/ProgramFolders.h"
#include "base/Version.h"
#include "diag/Acquisition.h"
#include "lang/LanguageTable.h"
#include "link/LinkState.h"
#include "link/LiveData.h"
#include "params/ParameterSet.h"
#include "params/WriteList.h"

#include <QString>
#include <array>

// Whether the program talks to an ECU: chosen on the start screen ("Non connesso"). Without a
// connection the screens show what is stored and send nothing.
enum class WorkMode { Connected, NotConnected };

// The program-wide state, one instance owned by main() and handed to every screen.
struct VariabiliGlobali {
    // Connection settings and flags.
    QString CommPortNumber; // the port digit as read from Config.ini or chosen in the dialog
    QString CommSettings;   // "9600,n,8,1" form, handed to the port unchanged
    QString CommBaud, CommParity, CommDataBits, CommStopBits;
    WorkMode ConnectedMode = WorkMode::Connected;
    int LanguageIndex = 1; // 1 Italian, 2 English, 3 Turkish
    std::array<int, 3> EcuVersion{};
    QString LostLinkText;

    LinkState link;

    ParameterSet parameters;
    // `parameters` is wholly what the ECU last sent (the main menu's upload or a full
    // read-back), not a write cut short by a lost link: only such a set is saved to an archive.
    bool parametersFromEcu = false;
    WriteList writeList;
    int LoadCorrectionCode = 0;

    LiveData liveData;
    DiagnosisRecord diagnosis{};
    // The acquisition log of whichever screen records (one log file at a time).
    Acquisition AcquisitionState = Acquisition::Stopped;

    // The live screen's trend chart as the fitter left it, for the rest of the run: shown or
    // not, the seconds it spans, and the curves ticked (bit n: curve n of the chart).
    struct TrendChoice {
        bool shown = false;
        int windowSeconds = 60;
        unsigned curves = 0b0001100011; // rpm, lambda, the petrol and gas times
    } trend;

    LanguageTable language;

    // Where the program's files live (Config.ini, the language file) and where the user's go
    // (archives, logs): the program folder of a portable copy, or shared and per-user folders.
    ProgramFolders folders;
    // The device to open instead of the one the port number names: set by --port-name, or by
    // choosing a port the system reports in the settings dialog.
    QString portNameOverride;
    // --trace: every frame sent and received is written to standard error with its time.
    bool traceLink = false;
    // Problems already reported once in this run (a bad language file is told only once).
    bool languageProblemReported = false;

    bool connected() const { return ConnectedMode == WorkMode::Connected; }

    QString languageFilePath() const;
    QString configFilePath() const;
};
