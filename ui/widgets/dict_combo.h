#pragma once
// A combo box filled from a model dictionary: the same rows FillComboFromDict gives any list, each
// item's data being the row's value.
#include "model/dictionary.h"

class QComboBox;

// Empties `combo` and adds every row up to the dictionary's end row. No signal reaches the combo's
// listeners while it is filled.
void FillComboFromDict(QComboBox &combo, Dictionary dict);
