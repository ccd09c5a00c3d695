#include "records/CriteriaValue.h"
#include "base/ItemReader.h"

CriteriaValue CriteriaValue::FromItem(const QString& item)
{
    CriteriaValue v;
    if (item.trimmed().isEmpty())
        return v;
    bool ok = false;
    const double number = item.trimmed().toDouble(&ok);
    if (ok) {
        v.ValueKind = Kind::Number;
        v.NumberValue = number;
    } else {
        v.ValueKind = Kind::Text;
        v.TextValue = item;
    }
    return v;
}

CriteriaValue CriteriaValue::FromNumber(double value)
{
    CriteriaValue v;
    v.ValueKind = Kind::Number;
    v.NumberValue = value;
    return v;
}

QString CriteriaValue::ToText() const
{
    switch (ValueKind) {
    case Kind::Empty: return QString();
    case Kind::Number: return QString::number(NumberValue, 'g', 15);
    case Kind::Text: return TextValue;
    }
    return QString();
}
