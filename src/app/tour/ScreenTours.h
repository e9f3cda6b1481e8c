#pragma once

class Tour;

// Adds every screen's stops to the tour, in the order of the walk.
void addScreenTours(Tour& tour);

// Each screen's stops, in the tour file of the screen's folder.
namespace ScreenTours {
void form1(Tour& t);  // AppTour.cpp: start screen
void form4(Tour& t);  // AppTour.cpp: serial settings
void form2(Tour& t);  // AppTour.cpp: main menu
void form3(Tour& t);  // DiagTour.cpp: live acquisition
void form9(Tour& t);  // DiagTour.cpp: diagnosis
void form17(Tour& t); // DiagTour.cpp: log viewer
void form5(Tour& t);  // VehicleTour.cpp: parameter menu
void form13(Tour& t); // PagesTour.cpp: other parameters
void form6(Tour& t);  // PagesTour.cpp: lambda
void form11(Tour& t); // PagesTour.cpp: switching
void form14(Tour& t); // PagesTour.cpp: level indicator
void form16(Tour& t); // CalibTour.cpp: calibration page
void form15(Tour& t); // CalibTour.cpp: graphical view, and the message screen it shows
void form8(Tour& t);  // CalibTour.cpp: automatic calibration
} // namespace ScreenTours
