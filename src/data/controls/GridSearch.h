#pragma once

#include <QString>

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

} // namespace vrl
