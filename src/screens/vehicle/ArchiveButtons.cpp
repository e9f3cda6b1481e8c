#include "screens/vehicle/ArchiveButtons.h"

#include "base/ProgramFolders.h"
#include "params/ParameterSet.h"
#include "screen/FormBase.h"
#include "vehicle/VehicleArchive.h"
#include "vehicle/VehicleArchiveTexts.h"

#include <QFileInfo>

using Tone = StatusLine::Tone;

QString ArchiveButtons::folder() {
    const QString folder = VehicleArchive::folderIn(g.folders.userFolder());
    const Result<> made = ProgramFolders::makeFolder(folder);
    if (made) return folder;
    // The dialog still opens, somewhere the fitter may write: the file may be kept elsewhere.
    m_menu.status(VehicleArchiveTexts::folderError(folder, made.errorString(), g.language),
                  Tone::Problem);
    return g.folders.fallbackFolder();
}

void ArchiveButtons::save() {
    // Only a set the ECU sent whole is saved: one never read would load as a car with every
    // value out of range, one cut short by a lost link is half this car and half the last.
    if (!g.parametersFromEcu) {
        m_menu.status(VehicleArchiveTexts::notRead(g.language), Tone::Problem);
        return;
    }
    const auto dialog = VehicleArchiveTexts::saveDialog(g.language);
    const QString chosen = m_dialogs.saveFileName(&m_parent, dialog.title, folder(), dialog.filter);
    if (chosen.isEmpty()) return;
    // The dialog asked before overwriting the name as typed; ".xlsx" may make it another file.
    const QString target = VehicleArchive::saveName(chosen);
    if (target != chosen && QFileInfo::exists(target) &&
        !m_dialogs.question(&m_parent, QString::fromLatin1(FormBase::Caption),
                            VehicleArchiveTexts::replaceQuestion(target, g.language)))
        return;
    m_menu.busy(true);
    const Result<QString> saved = VehicleArchive::save(target, g.parameters);
    m_menu.busy(false);
    if (saved)
        m_menu.status(VehicleArchiveTexts::saved(*saved, g.language), Tone::Done);
    else
        m_menu.status(VehicleArchiveTexts::saveError(VehicleArchive::saveName(target),
                                                     saved.errorString(), g.language),
                      Tone::Problem);
}

std::optional<VehicleLoad> ArchiveButtons::choose(const QString& title) {
    const QString filter = VehicleArchiveTexts::loadDialog(g.language).filter;
    const QString chosen = m_dialogs.openFileName(&m_parent, title, folder(), filter);
    if (chosen.isEmpty()) return std::nullopt;
    m_menu.busy(true);
    VehicleLoad loaded = VehicleArchive::load(chosen);
    m_menu.busy(false);
    if (!loaded.ok()) {
        // Nothing of a refused file reaches the ECU or the set.
        m_menu.status(VehicleArchiveTexts::loadError(loaded, g.language), Tone::Problem);
        return std::nullopt;
    }
    return loaded;
}

void ArchiveButtons::load() {
    if (const auto loaded = choose(VehicleArchiveTexts::loadDialog(g.language).title))
        write(*loaded);
}

void ArchiveButtons::compare() {
    if (!g.parametersFromEcu) {
        m_menu.status(VehicleArchiveTexts::notReadToCompare(g.language), Tone::Problem);
        return;
    }
    if (const auto loaded = choose(VehicleArchiveTexts::compareDialog(g.language).title))
        m_menu.compare(*loaded);
}

void ArchiveButtons::write(const VehicleLoad& loaded) {
    if (!loaded.ok()) return;
    // The set takes the configuration from the ECU's read-back at the end, not from the file.
    ParameterSet configuration;
    loaded.image.storeImage(configuration);
    m_menu.write(configuration, loaded.corrected(),
                 VehicleArchiveTexts::replaced(loaded, g.language));
}
