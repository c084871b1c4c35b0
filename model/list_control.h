#pragma once
// A report-style list that a poll record shows itself in (one row, several columns, a state image in
// column 0). Each front end adapts its own list widget to it.
#include <string>

class IListControl
{
public:
    virtual ~IListControl() = default;
    virtual int GetItemCount() const = 0;
    // Inserts a row at `row` with the text of column 0 and its state image.
    virtual void InsertItem(int row, const std::string &text, int image) = 0;
    // Replaces the text of `column` of `row`.
    virtual void SetItemText(int row, int column, const std::string &text) = 0;
    // Replaces the state image of `row`.
    virtual void SetItemImage(int row, int image) = 0;
};
