#pragma once
#include <QString>

// A pass-criteria field that holds what its item contained: a number, nothing, or text.
// Wherever it is compared or subtracted, empty (and text) counts as 0.
class CriteriaValue {
public:
    enum class Kind { Empty, Number, Text };

    CriteriaValue() = default;
    static CriteriaValue FromItem(const QString& item);
    static CriteriaValue FromNumber(double value);

    Kind GetKind() const { return ValueKind; }
    double Number() const { return ValueKind == Kind::Number ? NumberValue : 0.0; }
    // The text the criteria editor shows and writes back: plain decimal for numbers.
    QString ToText() const;

private:
    Kind ValueKind = Kind::Empty;
    double NumberValue = 0;
    QString TextValue;
};
