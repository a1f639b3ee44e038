#include "widgets/ControlCharFilter.h"

ControlCharFilter::ControlCharFilter(QObject *parent)
    : QValidator(parent)
{
}

QValidator::State ControlCharFilter::validate(QString &input, int &pos) const
{
    // The cursor keeps its place among the characters that stay.
    int removedBeforeCursor = 0;
    for (int i = 0; i < input.size() && i < pos; ++i)
        removedBeforeCursor += isControl(input.at(i)) ? 1 : 0;
    fixup(input);
    pos = qMax(0, pos - removedBeforeCursor);
    return Acceptable;
}

void ControlCharFilter::fixup(QString &input) const
{
    input.removeIf([](QChar c) { return isControl(c); });
}
