#include "ui/widgets/dict_combo.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QString>

namespace
{

class ComboList : public IComboList
{
public:
    explicit ComboList(QComboBox &combo) : combo_(combo) {}
    void ResetContent() override { combo_.clear(); }
    void AddItem(std::string_view text, uint16_t itemData) override
    {
        combo_.addItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), itemData);
    }

private:
    QComboBox &combo_;
};

} // namespace

void FillComboFromDict(QComboBox &combo, Dictionary dict)
{
    const QSignalBlocker quiet(combo);
    ComboList list(combo);
    FillComboFromDict(list, dict);
}
