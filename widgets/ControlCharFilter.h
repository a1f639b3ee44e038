#pragma once

#include <QValidator>

// A line edit's validator that removes control characters (U+0000 to U+001F and U+007F) from
// whatever reaches the box, typed or pasted, and accepts everything else as it stands.
class ControlCharFilter final : public QValidator {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ControlCharFilter)

public:
    explicit ControlCharFilter(QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

    static bool isControl(QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; }
};
