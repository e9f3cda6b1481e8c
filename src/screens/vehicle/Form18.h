#pragma once

#include "screen/FormBase.h"
#include "vehicle/VehicleComparison.h"

class QLabel;
class QPushButton;
class QTableWidget;

// The car beside a saved configuration, reached from the parameter menu with a workbook it
// has read: every parameter that differs (its name, the ECU's value, the file's), and the two
// correction tables side by side with the differing cells shaded by the size of the
// difference. Nothing is written from here: "Carica nella centralina" hands the workbook back
// to the parameter menu, whose verified bulk write loads it; EXIT goes back without it.
class Form18 final : public FormBase {
    Q_OBJECT
public:
    explicit Form18(FormContext& context);

    // Compares `load` with the configuration the ECU holds, as last read from it.
    void takeVehicle(const VehicleLoad& load) override;
    const VehicleComparison& comparison() const { return m_comparison; }

protected:
    void onCloseRequested() override;

private:
    QTableWidget* table(const QString& name, int rows, int columns);
    void fillTable(QTableWidget* grid, const ParameterSet& set, bool fileSide);
    void loadClicked();

    QLabel* Label1;        // which file
    QTableWidget* Grid1;   // the parameters that differ
    QTableWidget* Grid2;   // the ECU's table
    QTableWidget* Grid3;   // the file's table
    QLabel* Label5;        // how many differ, or that none does
    QLabel* Label6;        // what a starred value and the shades mean
    QPushButton* Command1; // Carica nella centralina
    QPushButton* Command2; // EXIT

    VehicleComparison m_comparison;
};
