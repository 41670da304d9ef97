#pragma once

#include <QString>

class QLabel;
class QProgressBar;
class QWidget;
class StatusBar;

namespace vrl {

class Dataset;

// Looks for a text in every field of every record of a dataset, from the first record on,
// case-insensitively. At each hit the record becomes current, the hit is written into the
// status bar's panel and the user is asked whether to go on; No gives the grid the focus and
// ends the search. The gauge, when driven, shows how far the search has come.
void SearchTableGrid(const QString &text, Dataset &dataset, QWidget &grid, StatusBar &status,
                     int panel, QProgressBar &gauge, bool driveGauge);

// The same search for the query grid: its texts always go to the first panel, which shows
// " P. z N" as the search moves on and " záznam P, položka F" at a hit.
void SearchQueryGrid(const QString &text, Dataset &dataset, QWidget &grid, StatusBar &status,
                     QProgressBar &gauge, bool driveGauge);

// The same search for the import window's source grid: a hit shows "record-Ffield index" in
// the position label and the question names the field; the gauge is always driven.
void SearchImportGrid(const QString &text, Dataset &dataset, QWidget &grid, QLabel &position,
                      QProgressBar &gauge);

} // namespace vrl
