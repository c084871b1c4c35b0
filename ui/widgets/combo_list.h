#pragma once
// A combo box as the model fills it: the dictionary's texts with their values as item data.
#include "model/dictionary.h"

#include <QComboBox>

class ComboList : public IComboList
{
public:
    explicit ComboList(QComboBox *combo) : combo_(combo) {}
    void ResetContent() override { combo_->clear(); }
    void AddItem(std::string_view text, uint16_t itemData) override
    {
        combo_->addItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), itemData);
    }

private:
    QComboBox *combo_;
};

// Fills `combo` from `dict` with its signals blocked (code, not the user, changed it).
inline void FillComboFromDictionary(QComboBox *combo, Dictionary dict)
{
    const bool blocked = combo->blockSignals(true);
    ComboList list(combo);
    FillComboFromDict(list, dict);
    combo->blockSignals(blocked);
}
